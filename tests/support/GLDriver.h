// Keeping the system's GL driver loaded to the end of the process, for tests and test programs
// that run under LeakSanitizer.
#pragma once

#include <dlfcn.h>
#include <link.h>

#include <cstring>

namespace VornTest {

// Pins the GL driver that EGL loaded, so that terminating EGL does not unload it: leak reports
// can then name the driver's frames (its own small leaks at termination are suppressed for the
// tests, as are those of the desktop libraries SDL brings in). Call after EGL is initialised.
inline void KeepGLDriverLoaded()
{
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const char* name = info->dlpi_name;
            if (name && (std::strstr(name, "_dri.so") || std::strstr(name, "libgallium")))
                dlopen(name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            return 0;
        },
        nullptr);
}

}  // namespace VornTest
