// Replacing a system function for an in-process test. The programs call
// imported functions through import pointers, and mingw's import libraries
// hold one member per function, so a definition of that pointer in the test
// program takes the library's place. On i686 the pointer of a stdcall
// function is named after the byte count of its arguments.
#ifndef QVX_FAKE_IMPORT_H
#define QVX_FAKE_IMPORT_H

#define QVX_FAKE_IMPORT(name, argBytes, fake)                                  \
    extern "C" void *qvx_import_##name __asm__("__imp__" #name "@" #argBytes); \
    void *qvx_import_##name = (void *)(fake)

#endif
