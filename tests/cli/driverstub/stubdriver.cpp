// Stands for an ODBC driver whose own library is present but needs one that is not (as Oracle's
// driver needs its client library and libaio): loading it fails on the missing dependency.
extern "C" int kelvoranAbsentDependency();

extern "C" int kelvoranStubDriver() {
    return kelvoranAbsentDependency();
}
