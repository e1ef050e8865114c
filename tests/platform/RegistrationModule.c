/* A component for the registration tests, built as a real shared object in several kinds:
 * REGISTER_RESULT   what DllRegisterServer returns
 * NO_ENTRY          no DllRegisterServer at all
 * MISSING_SYMBOL    needs a function that nothing provides, so it cannot be loaded
 * Each call of DllRegisterServer appends the path of the module that ran it to the file
 * named by $VOREL_TEST_REGISTER_LOG, so a test sees which copy was registered, and how often.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

/* Which build of the module this is, for tests that hold an old copy loaded. */
int32_t ModuleResult(void) {
#ifdef REGISTER_RESULT
    return REGISTER_RESULT;
#else
    return -1;
#endif
}

#ifdef MISSING_SYMBOL
extern int vorel_function_that_nothing_provides(void);
int CallMissing(void) { return vorel_function_that_nothing_provides(); }
#endif

#ifndef NO_ENTRY
int32_t DllRegisterServer(void) {
    const char* log = getenv("VOREL_TEST_REGISTER_LOG");
    Dl_info self;
    if (log != NULL && dladdr((void*)&DllRegisterServer, &self) != 0) {
        FILE* file = fopen(log, "a");
        if (file != NULL) {
            fprintf(file, "%s\n", self.dli_fname);
            fclose(file);
        }
    }
    return ModuleResult();
}
#endif
