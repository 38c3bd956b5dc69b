// fontconfig keeps caches of the private fonts we register until the process ends, in memory
// it no longer points to; the leak check is about our code, so those frames are left out.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }
