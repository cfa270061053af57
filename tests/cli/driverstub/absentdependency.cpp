// A library that the stub driver needs and that is never on the library path at run time.
extern "C" int kelvoranAbsentDependency() {
    return 1;
}
