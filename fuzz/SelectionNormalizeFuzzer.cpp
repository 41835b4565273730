// Selected text comes from other applications: normalisation must survive anything.
#include "literature/LiteratureInputValidator.h"
#include "literature/VORNAPIKeyFormat.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)LiteratureInputValidator::normalize(text);
    (void)VORNAPIKeyFormat::normalize(text);
    return 0;
}
