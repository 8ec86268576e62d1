#include "platform/environment.hpp"

#include <cstdlib>

namespace charplay {

void set_env_default(const char* name, const char* value)
{
    setenv(name, value, 0);
}

void set_env(const char* name, const char* value)
{
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}

} // namespace charplay
