#include "EventCore.h"
#include "standin/standin.h"

namespace standin {

EventBackend& GetEventBackend()
{
    // Never destroyed: the desktop backend may still hold children to reap at exit, and a poll
    // during static destruction must find it.
    static EventBackend* s_backend = (standin_get_backend() == STANDIN_BACKEND_HEADLESS
                                          ? CreateHeadlessEventBackend()
                                          : CreateSdlEventBackend())
                                         .release();
    return *s_backend;
}

}  // namespace standin
