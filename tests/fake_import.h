// Replacing a system function for an in-process test. The programs call
// imported functions through import pointers, and mingw's import libraries
// hold one member per function, so a definition of that pointer in the test
// program takes the library's place. The pointer's symbol differs between
// the two builds: on i686 it carries the leading underscore and, for a
// stdcall function, the byte count of its arguments (__imp__Name@8); on
// x86_64 neither (__imp_Name). A wrong name still links, with the real
// function, and the fake is silently never called.
#ifndef QVX_FAKE_IMPORT_H
#define QVX_FAKE_IMPORT_H

#if defined(__i386__)
#define QVX_IMPORT_SYMBOL(name, argBytes) "__imp__" #name "@" #argBytes
#else
#define QVX_IMPORT_SYMBOL(name, argBytes) "__imp_" #name
#endif

#define QVX_FAKE_IMPORT(name, argBytes, fake)                                  \
    extern "C" void *qvx_import_##name __asm__(QVX_IMPORT_SYMBOL(name, argBytes)); \
    void *qvx_import_##name = (void *)(fake)

#endif
