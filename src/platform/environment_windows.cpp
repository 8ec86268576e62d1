#include "platform/environment.hpp"

#include <cstdlib>

namespace charplay {

void set_env_default(const char* name, const char* value)
{
    if (!std::getenv(name))
        _putenv_s(name, value);
}

} // namespace charplay
