#include "platform/environment.hpp"

#include <cstdlib>

namespace charplay {

void set_env_default(const char* name, const char* value)
{
    setenv(name, value, 0);
}

} // namespace charplay
