#include "graphics/playbook/PlaybookDisplay.h"

#include "application/AbstractApp.h"
#include "graphics/playbook/PlaybookSurface.h"

namespace Vorn {

PlaybookDisplay* PlaybookDisplay::Create(screen_context_t context, screen_window_t window)
{
    auto display = new PlaybookDisplay();
    PlaybookSurface* screen = PlaybookSurface::GetScreen();
    if (!screen) {
        screen = PlaybookSurface::Create(context, window);
        display->m_orientation = ORIENTATION_ALL;
    } else {
        screen->CreateWindowBuffers(ORIENTATION_ALL);
        Display* current =
            AbstractApp::s_application ? AbstractApp::s_application->GetDisplay() : nullptr;
        display->m_orientation = current ? current->GetOrientation() : ORIENTATION_ALL;
    }
    display->m_screen = screen;
    return display;
}

bool PlaybookDisplay::SetOrientation(int mask)
{
    m_orientation = mask;
    auto screen = static_cast<PlaybookSurface*>(m_screen.Get());
    return screen ? screen->CreateWindowBuffers(mask) : false;
}

int PlaybookDisplay::GetOrientation()
{
    return m_orientation;
}

int PlaybookDisplay::GetSupportedOrientations()
{
    return ORIENTATION_ALL;
}

}  // namespace Vorn
