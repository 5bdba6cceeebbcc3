// A failed expectation on a refusal shows its words rather than a byte.
#pragma once
#include <ostream>

#include "image/image_refusal.h"

inline void PrintTo(ImageRefusal refusal, std::ostream* os)
{
    *os << '"' << RefusalText(refusal) << '"';
}
