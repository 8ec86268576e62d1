#include "platform/stop.hpp"

#include <string>

namespace charplay {

namespace {

bool failed = false;
bool gone = false;
std::string error;

} // namespace

void stop_for_output(bool reader_gone, const char* why)
{
    if (output_failed())
        return;
    failed = true;
    gone = reader_gone;
    error = reader_gone ? "" : why;
}

bool output_failed()
{
    return failed;
}

bool output_gone()
{
    return gone;
}

const char* output_error()
{
    return error.c_str();
}

} // namespace charplay
