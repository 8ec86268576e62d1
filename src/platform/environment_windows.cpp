#include "platform/environment.hpp"

#include <cstdlib>

namespace charplay {

void set_env_default(const char* name, const char* value)
{
    if (!std::getenv(name))
        _putenv_s(name, value);
}

// An empty value removes the variable.
void set_env(const char* name, const char* value)
{
    _putenv_s(name, value ? value : "");
}

} // namespace charplay
