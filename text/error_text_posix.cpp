#include "text/error_text.h"

std::string ErrorText(const std::error_code& error)
{
    return error.message();
}
