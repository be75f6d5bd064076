#include "frame/module_release.h"

#include "device/isd_device.h"
#include "keyagree/dh_groups.h"
#include "keyagree/raw_rsa_key_file.h"
#include "platform/crypto_library.h"
#include "random/module_generator.h"
#include "toolkit/provider/module_cert_context.h"

namespace quillon::frame {

void ReleaseModuleState() {
    // The certificate context first: its provider holds a random object and token sessions of
    // its own, which go with it.
    toolkit::provider::ReleaseModuleCertContext();
    random::ReleaseModuleGenerator();
    keyagree::ModuleDhGroups().Release();
    keyagree::KeyFileForgetAll();
    device::TheIsdDevice().Close();
    // Last: the key-file cache above held secret numbers in it.
    platform::ReleaseSecureHeap();
}

}  // namespace quillon::frame
