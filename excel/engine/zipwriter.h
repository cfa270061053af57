// A zip archive writer for workbook packages. Entry data are handed over in chunks and
// compressed on a second thread while the caller produces the next chunk, so a large sheet is
// never held as one text.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace kelvoran::xlsx {

// Where archive bytes go: a file or a memory buffer; both can patch bytes already written.
class ByteSink {
public:
    virtual ~ByteSink() = default;
    // Appends bytes; false on an I/O error.
    virtual bool write(const void *data, size_t size) = 0;
    // Bytes written so far.
    virtual uint64_t position() const = 0;
    // Overwrites bytes at an earlier position.
    virtual bool patch(uint64_t position, const void *data, size_t size) = 0;
};

// A sink on an open stdio file.
class FileSink : public ByteSink {
public:
    explicit FileSink(std::FILE *file) : m_file(file) {}
    bool write(const void *data, size_t size) override;
    uint64_t position() const override { return m_position; }
    bool patch(uint64_t position, const void *data, size_t size) override;
    // The system error of the first failed write, 0 if none. Writes may run on the zip worker
    // thread, where errno is not the caller's, so it is kept here.
    int systemError() const { return m_systemError.load(); }

private:
    void noteFailure();

    std::FILE *m_file;
    uint64_t m_position = 0;
    std::atomic<int> m_systemError{0};
};

// A sink collecting the archive in memory.
class MemorySink : public ByteSink {
public:
    bool write(const void *data, size_t size) override;
    uint64_t position() const override { return m_bytes.size(); }
    bool patch(uint64_t position, const void *data, size_t size) override;
    std::string &bytes() { return m_bytes; }

private:
    std::string m_bytes;
};

class ZipWriter {
public:
    // level: deflate level 1-9.
    ZipWriter(ByteSink &sink, int level);
    ~ZipWriter();
    ZipWriter(const ZipWriter &) = delete;
    ZipWriter &operator=(const ZipWriter &) = delete;

    // Starts an entry; the previous one must have been ended.
    void begin(const std::string &name);
    // Appends entry data.
    void write(const char *data, size_t size);
    void write(const std::string &text) { write(text.data(), text.size()); }
    // Ends the entry: waits for its compression and fixes its header.
    bool end();
    // Writes the central directory; false when anything failed on the way.
    bool finish();
    // A description of the first failure, or empty.
    const std::string &error() const { return m_error; }

    // Whole entry at once.
    bool add(const std::string &name, const std::string &data);

private:
    struct Worker;
    void flushBuffer(bool last);

    ByteSink &m_sink;
    std::unique_ptr<Worker> m_worker;
    std::string m_buffer;
    std::string m_error;
    std::string m_central;
    uint32_t m_entries = 0;
    uint64_t m_headerPos = 0;
    std::string m_name;
    uint16_t m_time = 0, m_date = 0;
    bool m_open = false;
};

} // namespace kelvoran::xlsx
