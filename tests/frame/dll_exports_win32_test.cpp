// The built Quillon.dll as a Windows caller sees it: loaded with LoadLibraryA, bound by ordinal
// (four functions also by name) and called through cdecl function pointers.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <utility>

#include "common/dll_path_win32.h"
#include "common/module_calls.h"
#include "quillon.h"

namespace {

// One slot of the module-definition file: the function it leads to, and its name when exported
// by name too.
struct Slot {
    std::string function;
    std::string name;
};

std::map<int, Slot> SlotsOfTheDefFile() {
    std::ifstream def(QUILLON_DEF_FILE);
    EXPECT_TRUE(def.good());
    const std::regex alias(R"(^\s*(\w+)\s*=\s*(\w+)\s+@(\d+)(.*)$)");
    const std::regex plain(R"(^\s*(\w+)\s+@(\d+)(.*)$)");
    std::map<int, Slot> slots;
    std::string line;
    std::smatch match;
    while (std::getline(def, line)) {
        line = line.substr(0, line.find(';'));
        if (std::regex_search(line, match, alias)) {
            const bool named = match[4].str().find("NONAME") == std::string::npos;
            slots[std::stoi(match[3])] = {match[2], named ? match[1].str() : ""};
        } else if (std::regex_search(line, match, plain)) {
            const bool named = match[3].str().find("NONAME") == std::string::npos;
            slots[std::stoi(match[2])] = {match[1], named ? match[1].str() : ""};
        }
    }
    return slots;
}

using quillon::test::QuillonDllPath;

class DllExportsTest : public testing::Test {
  protected:
    void SetUp() override {
        module_ = LoadLibraryA(QuillonDllPath().c_str());
        ASSERT_NE(module_, nullptr) << QuillonDllPath() << ": error " << GetLastError();
    }
    void TearDown() override {
        if (module_ != nullptr) FreeLibrary(module_);
    }

    void* AtOrdinal(int ordinal) const {
        return reinterpret_cast<void*>(GetProcAddress(module_, MAKEINTRESOURCEA(ordinal)));
    }
    void* ByName(const char* name) const {
        return reinterpret_cast<void*>(GetProcAddress(module_, name));
    }
    template <typename Function>
    Function* Bind(int ordinal) const {
        return reinterpret_cast<Function*>(AtOrdinal(ordinal));
    }

    HMODULE module_ = nullptr;
};

TEST_F(DllExportsTest, EveryOrdinalResolvesAsTheDefFileSays) {
    const auto slots = SlotsOfTheDefFile();
    ASSERT_FALSE(slots.empty());
    std::map<std::string, void*> addressOf;
    std::map<void*, std::string> functionAt;
    for (int ordinal = 1; ordinal <= 100; ++ordinal) {
        SCOPED_TRACE(ordinal);
        void* address = AtOrdinal(ordinal);
        const auto slot = slots.find(ordinal);
        if (slot == slots.end()) {
            EXPECT_EQ(address, nullptr) << "an empty slot";
            continue;
        }
        ASSERT_NE(address, nullptr) << slot->second.function;
        const auto [known, first] = addressOf.emplace(slot->second.function, address);
        EXPECT_EQ(known->second, address) << "every ordinal of a function leads to one address";
        if (first) {
            const auto [other, fresh] = functionAt.emplace(address, slot->second.function);
            EXPECT_TRUE(fresh) << slot->second.function << " shares its address with "
                               << other->second;
        }
    }
    for (int ordinal = 59; ordinal <= 99; ++ordinal) {
        EXPECT_EQ(AtOrdinal(ordinal), nullptr) << ordinal;
    }
    EXPECT_EQ(AtOrdinal(101), nullptr);
    // The three shared pairs, for those families that are built.
    for (const auto& [first, second] : {std::pair{12, 15}, {18, 21}, {34, 35}}) {
        if (slots.count(first) == 0) continue;
        EXPECT_EQ(AtOrdinal(first), AtOrdinal(second)) << first << "/" << second;
    }
}

TEST_F(DllExportsTest, OnlyTheFourDeviceFunctionsHaveNames) {
    const auto slots = SlotsOfTheDefFile();
    int named = 0;
    for (const auto& [ordinal, slot] : slots) {
        SCOPED_TRACE(slot.function);
        if (slot.name.empty()) {
            EXPECT_EQ(ByName(slot.function.c_str()), nullptr) << "exported by ordinal only";
            continue;
        }
        ++named;
        EXPECT_EQ(ByName(slot.name.c_str()), AtOrdinal(ordinal));
    }
    EXPECT_EQ(named, 4);
    const struct {
        const char* name;
        int ordinal;
    } devices[] = {{"IsdGetCapability", 37},
                   {"IsdGetRandomNumber", 56},
                   {"IsdGetStatistic", 57},
                   {"IsdTestRandomGenerator", 58}};
    for (const auto& device : devices) {
        EXPECT_NE(ByName(device.name), nullptr) << device.name;
        EXPECT_EQ(ByName(device.name), AtOrdinal(device.ordinal)) << device.name;
    }
    EXPECT_EQ(ByName("DllMain"), nullptr) << "the entry is not an export";
}

#if defined(__i386__)
// The 32-bit convention question: Windows x64 has one convention, in which the caller owns its
// argument area by definition.
// Calls function with count 32-bit arguments and returns how many bytes of them are still on
// the stack when it returns: all of them for a cdecl function, none for a stdcall one.
std::uint32_t ArgumentBytesLeftByCall(void* function, const std::uint32_t* arguments, int count) {
    std::uint32_t left;
    std::uint32_t result;
    asm volatile(
        "movl %%esp, %%esi\n\t"
        "movl %[count], %%ecx\n\t"
        "1:\n\t"
        "testl %%ecx, %%ecx\n\t"
        "jz 2f\n\t"
        "pushl -4(%[arguments],%%ecx,4)\n\t"
        "decl %%ecx\n\t"
        "jmp 1b\n\t"
        "2:\n\t"
        "call *%[function]\n\t"
        "movl %%esi, %%edx\n\t"
        "subl %%esp, %%edx\n\t"
        "movl %%esi, %%esp\n\t"
        : "=&a"(result), "=&d"(left)
        : [function] "b"(function), [arguments] "D"(arguments), [count] "m"(count)
        : "ecx", "esi", "memory", "cc");
    (void)result;
    return left;
}

TEST_F(DllExportsTest, ExportsLeaveTheirArgumentsToTheCaller) {
    // Arguments each export accepts without effect: an empty handle, a null buffer, a bad index.
    AesContext* emptyAes = nullptr;
    uint32_t value = 0;
    const std::uint32_t aesDestroy[] = {reinterpret_cast<std::uint32_t>(&emptyAes)};
    const std::uint32_t toBigEndian[] = {0x1234};
    const std::uint32_t capability[] = {0, reinterpret_cast<std::uint32_t>(&value)};
    const std::uint32_t statistic[] = {9, reinterpret_cast<std::uint32_t>(&value)};
    const std::uint32_t dhFree[] = {0};
    const struct {
        int ordinal;
        const std::uint32_t* arguments;
        int count;
    } calls[] = {{8, aesDestroy, 1}, {42, toBigEndian, 1}, {37, capability, 2},
                 {57, statistic, 2}, {34, dhFree, 1},      {35, dhFree, 1}};
    for (const auto& call : calls) {
        void* function = AtOrdinal(call.ordinal);
        if (function == nullptr) continue;
        EXPECT_EQ(ArgumentBytesLeftByCall(function, call.arguments, call.count),
                  4u * static_cast<std::uint32_t>(call.count))
            << "ordinal " << call.ordinal;
    }
}
#endif

TEST_F(DllExportsTest, CallsThroughCdeclPointers) {
    quillon::test::ExpectAesRoundTrip(Bind<decltype(AesCreateContext)>(4),
                                      Bind<decltype(AesCbcCrypt)>(5),
                                      Bind<decltype(AesDestroyContext)>(8));

    // SHA-1 of "abc" (FIPS 180-1 appendix A), fed through the second update ordinal.
    auto sha1Create = Bind<decltype(Sha1Create)>(14);
    auto update = Bind<decltype(DigestUpdate)>(15);
    auto sha1Final = Bind<decltype(Sha1Final)>(16);
    ASSERT_TRUE(sha1Create && update && sha1Final);
    DigestHandle* digest = nullptr;
    sha1Create(&digest);
    ASSERT_NE(digest, nullptr);
    update(&digest, reinterpret_cast<const uint8_t*>("ab"), 2);
    update(&digest, reinterpret_cast<const uint8_t*>("c"), 1);
    uint8_t out[20];
    sha1Final(out, &digest);
    const uint8_t expected[20] = {0xA9, 0x99, 0x3E, 0x36, 0x47, 0x06, 0x81, 0x6A, 0xBA, 0x3E,
                                  0x25, 0x71, 0x78, 0x50, 0xC2, 0x6C, 0x9C, 0xD0, 0xD8, 0x9D};
    EXPECT_EQ(0, std::memcmp(out, expected, sizeof out));

    auto toBigEndian = Bind<decltype(HostToBigEndian16)>(42);
    ASSERT_NE(toBigEndian, nullptr);
    EXPECT_EQ(toBigEndian(0x1234), 0x3412);
}

// There is no security driver under Wine (nor on a machine without the hardware): every request
// answers "unknown".
TEST_F(DllExportsTest, HardwareRandomDeviceWithoutDriver) {
    auto capability = reinterpret_cast<decltype(&IsdGetCapability)>(ByName("IsdGetCapability"));
    auto random = reinterpret_cast<decltype(&IsdGetRandomNumber)>(ByName("IsdGetRandomNumber"));
    auto statistic = reinterpret_cast<decltype(&IsdGetStatistic)>(ByName("IsdGetStatistic"));
    auto test =
        reinterpret_cast<decltype(&IsdTestRandomGenerator)>(ByName("IsdTestRandomGenerator"));
    ASSERT_TRUE(capability && random && statistic && test);
    uint32_t value = 5;
    EXPECT_EQ(random(&value), ISD_EUNKNOWN);
    EXPECT_EQ(value, 0u);
    value = 5;
    EXPECT_EQ(capability(1, &value), ISD_EUNKNOWN);
    value = 5;
    EXPECT_EQ(statistic(1, &value), ISD_EUNKNOWN);
    EXPECT_EQ(test(), ISD_EUNKNOWN);
}

// Unloading really unloads, and the next load is a new first attach that prepares the
// integrity reference again: the self-test, which fails without one, passes after each load.
TEST(DllLifecycle, LoadUnloadLoadAgain) {
    for (int load = 0; load < 2; ++load) {
        SCOPED_TRACE(load);
        ASSERT_EQ(GetModuleHandleA("Quillon.dll"), nullptr) << "not loaded yet";
        HMODULE module = LoadLibraryA(QuillonDllPath().c_str());
        ASSERT_NE(module, nullptr);
        auto selfTest = reinterpret_cast<decltype(&SelfTest)>(
            reinterpret_cast<void*>(GetProcAddress(module, MAKEINTRESOURCEA(100))));
        if (selfTest != nullptr) {
            EXPECT_EQ(selfTest(), 1);
        }
        // A second load of a loaded module only counts: no new attach, the same instance.
        HMODULE again = LoadLibraryA(QuillonDllPath().c_str());
        EXPECT_EQ(again, module);
        if (selfTest != nullptr) {
            EXPECT_EQ(selfTest(), 1);
        }
        FreeLibrary(again);
        EXPECT_EQ(GetModuleHandleA("Quillon.dll"), module);
        ASSERT_TRUE(FreeLibrary(module));
        EXPECT_EQ(GetModuleHandleA("Quillon.dll"), nullptr) << "unloaded";
    }
}

}  // namespace
