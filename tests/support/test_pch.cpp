// Compiles the tests' shared precompiled header; the test programs reuse it.
