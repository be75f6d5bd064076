// The AES context behind an AES handle: one key, one direction. Creation fills at most one of
// the two schedules; the other stays zero, which the block operations treat as absent.
#pragma once

#include "cipher/aes_engine.h"
#include "quillon.h"

struct AesContext {
    quillon::cipher::AesKeySchedule encryption;
    quillon::cipher::AesKeySchedule decryption;
};
static_assert(sizeof(AesContext) == 488);
