// Test support is header-only; this file gives the library a translation unit.
