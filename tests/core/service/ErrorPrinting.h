#pragma once

#include "literature/LiteratureError.h"

#include <ostream>

// Lets GoogleTest print an error by its description in failure messages.
inline void PrintTo(const LiteratureError& error, std::ostream* os)
{
    *os << "LiteratureError(" << error.errorDescription().toStdString() << ")";
}
