// A display on Windows: the desktop of the session.

#include "platform/display.hpp"

namespace charplay {

// The desktop is always there for a console program.
bool display_available()
{
    return true;
}

} // namespace charplay
