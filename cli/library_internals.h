// The one door from the command into the library's internals. Everything else the command does
// goes through the public interface (quillon.h), as any caller's program would; these are the
// two writers of the files the module reads (credential profiles, raw RSA key files), which the
// module does not export, and the support helpers they are built on: owner types, wiping, hex,
// DER and Base64.
#pragma once

#include "der/der_oid.h"
#include "der/der_writer.h"
#include "keyagree/raw_rsa_key_file.h"
#include "keyagree/raw_rsa_key_file_writer.h"
#include "profile/base64_decode.h"
#include "profile/profile_file_writer.h"
#include "profile/profile_key_derivation.h"
#include "support/hex.h"
#include "support/owner.h"
#include "support/secure_buffer.h"
#include "support/secure_wipe.h"
#include "toolkit/kinds/rsa_key_der.h"
