#include "cli/failure_text.h"

#include <exception>
#include <system_error>

#include "text/error_text.h"

std::string CaughtFailureText()
{
    try {
        throw;
    } catch (const std::system_error& failure) {
        return ErrorText(failure.code());
    } catch (const std::exception& failure) {
        return failure.what();
    } catch (...) {
        return "Unexpected failure.";
    }
}
