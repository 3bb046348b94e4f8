#include "standin/standin.h"
#include "WindowBackend.h"

namespace standin {

WindowBackend& GetWindowBackend()
{
    static std::unique_ptr<WindowBackend> s_backend =
        standin_get_backend() == STANDIN_BACKEND_HEADLESS ? CreateHeadlessWindowBackend()
                                                          : CreateSdlWindowBackend();
    return *s_backend;
}

}  // namespace standin
