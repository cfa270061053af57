#include "excel/engine/zipwriter.h"

#include <zlib.h>

#include <cerrno>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <mutex>
#include <thread>

namespace kelvoran::xlsx {

namespace {

constexpr size_t kChunk = 512 * 1024;
constexpr size_t kMaxQueued = 6;

void put16(std::string &s, uint32_t v) {
    s += char(v & 0xff);
    s += char((v >> 8) & 0xff);
}
void put32(std::string &s, uint32_t v) {
    put16(s, v & 0xffff);
    put16(s, v >> 16);
}

} // namespace

void FileSink::noteFailure() {
    int expected = 0;
    m_systemError.compare_exchange_strong(expected, errno ? errno : EIO);
}

bool FileSink::write(const void *data, size_t size) {
    if (size && std::fwrite(data, 1, size, m_file) != size) {
        noteFailure();
        return false;
    }
    m_position += size;
    return true;
}

bool FileSink::patch(uint64_t position, const void *data, size_t size) {
    if (std::fflush(m_file) != 0 || fseeko(m_file, off_t(position), SEEK_SET) != 0) {
        noteFailure();
        return false;
    }
    const bool ok = std::fwrite(data, 1, size, m_file) == size;
    if (!ok)
        noteFailure();
    return fseeko(m_file, 0, SEEK_END) == 0 && ok;
}

bool MemorySink::write(const void *data, size_t size) {
    m_bytes.append(static_cast<const char *>(data), size);
    return true;
}

bool MemorySink::patch(uint64_t position, const void *data, size_t size) {
    if (position + size > m_bytes.size())
        return false;
    m_bytes.replace(size_t(position), size, static_cast<const char *>(data), size);
    return true;
}

// The compressing thread: takes chunks of the open entry, keeps its CRC, deflates them and
// appends the result to the sink.
struct ZipWriter::Worker {
    struct Job {
        std::string data;
        bool last = false;
    };

    ByteSink &sink;
    int level;
    std::mutex mutex;
    std::condition_variable wake, done;
    std::deque<Job> queue;
    bool stop = false;
    bool entryDone = true;
    bool failed = false;
    uint32_t crc = 0;
    uint64_t inSize = 0, outSize = 0;
    z_stream z{};
    std::string out;
    std::thread thread;

    Worker(ByteSink &s, int lvl) : sink(s), level(lvl) {
        out.resize(256 * 1024);
        deflateInit2(&z, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        thread = std::thread([this] { run(); });
    }
    ~Worker() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stop = true;
        }
        wake.notify_all();
        thread.join();
        deflateEnd(&z);
    }

    void startEntry() {
        std::lock_guard<std::mutex> lock(mutex);
        crc = uint32_t(crc32(0, nullptr, 0));
        inSize = outSize = 0;
        entryDone = false;
        deflateReset(&z);
    }

    void push(Job job) {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return queue.size() < kMaxQueued; });
        queue.push_back(std::move(job));
        wake.notify_all();
    }

    void waitEntry() {
        std::unique_lock<std::mutex> lock(mutex);
        done.wait(lock, [&] { return entryDone; });
    }

    void run() {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [&] { return stop || !queue.empty(); });
                if (queue.empty())
                    return;
                job = std::move(queue.front());
                queue.pop_front();
            }
            done.notify_all();
            compress(job);
            if (job.last) {
                std::lock_guard<std::mutex> lock(mutex);
                entryDone = true;
                done.notify_all();
            }
        }
    }

    void compress(const Job &job) {
        if (failed)
            return;
        crc = uint32_t(
            crc32_z(crc, reinterpret_cast<const Bytef *>(job.data.data()), job.data.size()));
        inSize += job.data.size();
        z.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(job.data.data()));
        z.avail_in = uInt(job.data.size());
        const int flush = job.last ? Z_FINISH : Z_NO_FLUSH;
        for (;;) {
            z.next_out = reinterpret_cast<Bytef *>(out.data());
            z.avail_out = uInt(out.size());
            const int rc = deflate(&z, flush);
            const size_t produced = out.size() - z.avail_out;
            if (produced && !sink.write(out.data(), produced)) {
                failed = true;
                return;
            }
            outSize += produced;
            if (rc == Z_STREAM_END)
                return;
            if (rc != Z_OK && rc != Z_BUF_ERROR) {
                failed = true;
                return;
            }
            if (z.avail_in == 0 && z.avail_out != 0 && flush == Z_NO_FLUSH)
                return;
        }
    }
};

ZipWriter::ZipWriter(ByteSink &sink, int level)
    : m_sink(sink), m_worker(std::make_unique<Worker>(sink, level)) {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    m_time = uint16_t((tm.tm_hour << 11) | (tm.tm_min << 5) | (tm.tm_sec / 2));
    m_date = uint16_t(((tm.tm_year - 80) << 9) | ((tm.tm_mon + 1) << 5) | tm.tm_mday);
}

ZipWriter::~ZipWriter() = default;

void ZipWriter::begin(const std::string &name) {
    m_name = name;
    m_headerPos = m_sink.position();
    std::string h;
    put32(h, 0x04034b50);
    put16(h, 20);
    put16(h, 0x0800); // names are UTF-8
    put16(h, 8);
    put16(h, m_time);
    put16(h, m_date);
    put32(h, 0); // crc, sizes: patched by end()
    put32(h, 0);
    put32(h, 0);
    put16(h, uint32_t(name.size()));
    put16(h, 0);
    h += name;
    if (!m_sink.write(h.data(), h.size()) && m_error.empty())
        m_error = "write failed";
    m_worker->startEntry();
    m_buffer.clear();
    m_buffer.reserve(kChunk + 4096);
    m_open = true;
}

void ZipWriter::flushBuffer(bool last) {
    Worker::Job job;
    job.data.swap(m_buffer);
    job.last = last;
    m_worker->push(std::move(job));
    m_buffer.clear();
    m_buffer.reserve(kChunk + 4096);
}

void ZipWriter::write(const char *data, size_t size) {
    m_buffer.append(data, size);
    if (m_buffer.size() >= kChunk)
        flushBuffer(false);
}

bool ZipWriter::end() {
    if (!m_open)
        return false;
    flushBuffer(true);
    m_worker->waitEntry();
    m_open = false;
    if (m_worker->failed && m_error.empty())
        m_error = "compression or write failed for " + m_name;
    if (m_worker->inSize >= 0xffffffffULL || m_worker->outSize >= 0xffffffffULL ||
        m_sink.position() >= 0xffffffffULL) {
        if (m_error.empty())
            m_error = "entry larger than 4 GB: " + m_name;
        return false;
    }
    std::string sizes;
    put32(sizes, m_worker->crc);
    put32(sizes, uint32_t(m_worker->outSize));
    put32(sizes, uint32_t(m_worker->inSize));
    if (!m_sink.patch(m_headerPos + 14, sizes.data(), sizes.size()) && m_error.empty())
        m_error = "write failed";
    std::string &c = m_central;
    put32(c, 0x02014b50);
    put16(c, 20);
    put16(c, 20);
    put16(c, 0x0800);
    put16(c, 8);
    put16(c, m_time);
    put16(c, m_date);
    c += sizes;
    put16(c, uint32_t(m_name.size()));
    put16(c, 0);
    put16(c, 0);
    put16(c, 0);
    put16(c, 0);
    put32(c, 0);
    put32(c, uint32_t(m_headerPos));
    c += m_name;
    ++m_entries;
    return m_error.empty();
}

bool ZipWriter::add(const std::string &name, const std::string &data) {
    begin(name);
    write(data);
    return end();
}

bool ZipWriter::finish() {
    if (m_open)
        end();
    const uint64_t offset = m_sink.position();
    std::string e = m_central;
    put32(e, 0x06054b50);
    put16(e, 0);
    put16(e, 0);
    put16(e, m_entries);
    put16(e, m_entries);
    put32(e, uint32_t(m_central.size()));
    put32(e, uint32_t(offset));
    put16(e, 0);
    if (offset >= 0xffffffffULL && m_error.empty())
        m_error = "archive larger than 4 GB";
    if (!m_sink.write(e.data(), e.size()) && m_error.empty())
        m_error = "write failed";
    return m_error.empty();
}

} // namespace kelvoran::xlsx
