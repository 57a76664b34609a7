// Default options of the sanitizer runtime, built into every program and plug-in of a sanitized build
// (GRAVELON_SANITIZE), so that they hold however the program is started: by ctest, by scripts/test, by a
// test that starts another program, or by hand. Options given in ASAN_OPTIONS still come on top.
//
// intercept_tls_get_addr=0: this compiler's sanitizer runtime (GCC 12's, from LLVM 14) watches
// __tls_get_addr to learn where each thread's dynamic thread-local storage lies, and guesses the block's
// extent from the layout of glibc 2.19: a block that starts 16 bytes past a page boundary is taken to be
// preceded by a {start, size} header. Glibc 2.25 and later take such blocks from malloc, which has no
// such header, so whenever malloc happens to hand out a block 16 bytes past a page boundary, the runtime
// reads the sanitizer's own chunk header as the range, and at exit LeakSanitizer's tracer walks that range
// ("DTLS 13 at 0x000000000d01-0x001800001e03") and crashes. Which block lands there depends on every
// allocation before it (the length of the temporary folder's path was enough), so the crash came and went
// with the machine. In QV it was the thread-local storage of the GL driver's LLVM.
// Without the interception LeakSanitizer loses nothing on these C libraries: the blocks are ordinary heap
// blocks, reached through each thread's table of them, and scanned like any other (the runtime found no
// range for them anyway whenever it did not crash). Leak checking stays on: cmake/tests proves both.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "intercept_tls_get_addr=0";
}
