#include "toolkit/provider/hardware_random.h"

#include "device/isd_device.h"
#include "support/checked_alloc.h"
#include "support/secure_wipe.h"

namespace quillon::toolkit::provider {
namespace {

constexpr std::uint32_t kRandomCapability = 5;

struct HardwareSession {
    bool open;
    const char* lastError;  // an ISD message (static text)
};

// What the listed method points at: a session that never opened, so binding it outside a
// token chooser is refused instead of reaching the device unopened.
constinit HardwareSession closedSession = {false, nullptr};

Status DeviceFailure(HardwareSession& session, device::IsdStatus isdStatus) {
    session.lastError = device::IsdStatusMessage(isdStatus);
    return kDeviceFailure;
}

MethodStatus OpenHardware(void** session) {
    if (device::TheIsdDevice().TestRandomGenerator() != device::kIsdOk) {
        return method::kDeviceFailure;
    }
    auto* opened = support::New<HardwareSession>();
    if (opened == nullptr) return method::kOutOfMemory;
    opened->open = true;
    *session = opened;
    return method::kOk;
}

void CloseHardware(void* session) {
    support::WipeAndRelease(session, sizeof(HardwareSession));
}

struct HardwareHandler {
    Handler base;
    MethodSlot slot;
};

HardwareSession& SessionOf(Handler* handler) {
    return *static_cast<HardwareSession*>(
        reinterpret_cast<HardwareHandler*>(handler)->slot.context);
}

Status BindHardware(AlgObject*, MethodSlot* slot, const void*, const Method* method,
                    const SurrenderContext*) {
    auto* session = static_cast<HardwareSession*>(TokenSessionOf(method));
    if (!session->open) return kNotSupported;
    std::uint32_t value = 0;
    if (const device::IsdStatus status =
            device::TheIsdDevice().GetCapability(kRandomCapability, &value);
        status != device::kIsdOk) {
        return DeviceFailure(*session, status);
    }
    slot->context = session;  // the chooser's, not the object's: never freed through the slot
    return kOk;
}

Status HardwareInit(AlgObject* object, Handler* handler, Chooser chooser,
                    const SurrenderContext* surrender) {
    auto& hardware = *reinterpret_cast<HardwareHandler*>(handler);
    return FillMethodSlot(object, hardware.slot, chooser, nullptr, 0, surrender);
}

// The device draws its own entropy; seed material has nothing to go into.
Status HardwareUpdate(AlgObject*, Handler*, const std::uint8_t*, std::uint32_t,
                      const SurrenderContext*) {
    return kOk;
}

// One device number per 4 bytes, its bytes least significant first; the last call gives only
// length mod 4 of them. A failure leaves no device bytes in the output.
Status HardwareGenerate(AlgObject*, Handler* handler, std::uint8_t* out, std::uint32_t length,
                        const SurrenderContext*) {
    HardwareSession& session = SessionOf(handler);
    for (std::uint32_t done = 0; done < length; done += 4) {
        std::uint32_t value = 0;
        if (const device::IsdStatus status = device::TheIsdDevice().GetRandomNumber(&value);
            status != device::kIsdOk) {
            support::SecureWipe(out, done);
            return DeviceFailure(session, status);
        }
        for (std::uint32_t i = 0; i < 4 && done + i < length; ++i) {
            out[done + i] = static_cast<std::uint8_t>(value >> (8 * i));
        }
        value = 0;
    }
    return kOk;
}

constexpr RandomHandlerOperations kHardwareOperations = {
    {nullptr, HandlerFamily::kRandom}, HardwareInit, HardwareUpdate, HardwareGenerate, nullptr};

Handler* MakeHardwareHandler(const AlgInfoDescriptor* kind, AlgObject* object) {
    auto* handler = NewHandler<HardwareHandler>(object, &kHardwareOperations.common);
    if (handler == nullptr) return nullptr;
    handler->slot.wantedKind = kind;
    handler->slot.bind = BindHardware;
    return &handler->base;
}

constexpr AlgInfoClass kHardwareClass = {SetWithoutParameters, MakeHardwareHandler, nullptr};
constexpr AlgInfoDescriptor kHardwareDescriptor = {&kHardwareClass, nullptr, nullptr, nullptr};

}  // namespace

std::int32_t InfoRandomHardware(const void** descriptor) {
    *descriptor = &kHardwareDescriptor;
    return kAlgorithmInfoCode;
}

constinit const Method kHardwareRandomMethod = {InfoRandomHardware, 0, nullptr, &closedSession};

// The name carries the chip vendor's reversed domain, an opaque part of it.
constinit const TokenMethod kHardwareRandomToken = {
    &kHardwareRandomMethod, "HW_RANDOM.com.isecchip", OpenHardware, CloseHardware};

const char* HardwareRandomLastError(const void* session) {
    return static_cast<const HardwareSession*>(session)->lastError;
}

}  // namespace quillon::toolkit::provider
