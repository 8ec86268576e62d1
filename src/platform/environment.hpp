#pragma once

namespace charplay {

// Sets an environment variable unless it is set already: the user's own
// settings win over the defaults charplay gives the libraries.
void set_env_default(const char* name, const char* value);

// Sets an environment variable, or removes it where value is null.
void set_env(const char* name, const char* value);

} // namespace charplay
