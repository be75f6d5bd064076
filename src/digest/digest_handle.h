// The digest handle: a small block holding one toolkit digest object (SHA-1 or MD5), initialised
// for digesting. The block does not record the algorithm; the object knows it.
#pragma once

#include "toolkit/objects.h"

struct DigestHandle {
    quillon::toolkit::AlgObject* object;
};
