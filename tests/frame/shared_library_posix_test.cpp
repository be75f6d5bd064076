// The built libquillon.so as a caller sees it: loaded with dlopen, bound by name.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "common/module_calls.h"
#include "quillon.h"

namespace {

// The distinct functions the module-definition file exports (an alias line names its
// function on the right of "=").
std::set<std::string> FunctionsOfTheDefFile() {
    std::ifstream def(QUILLON_DEF_FILE);
    EXPECT_TRUE(def.good());
    const std::regex alias(R"(^\s*\w+\s*=\s*(\w+)\s+@\d+)");
    const std::regex plain(R"(^\s*(\w+)\s+@\d+)");
    std::set<std::string> names;
    std::string line;
    std::smatch match;
    while (std::getline(def, line)) {
        line = line.substr(0, line.find(';'));
        if (std::regex_search(line, match, alias) || std::regex_search(line, match, plain)) {
            names.insert(match[1]);
        }
    }
    return names;
}

// The library's defined dynamic symbols, each with its version as nm shows it after the name
// ("@@QUILLON_1" for the default version of a node, "" for none).
std::map<std::string, std::string> DynamicSymbolsOfTheLibrary() {
    const std::string command =
        std::string("nm -D --defined-only --format=posix ") + QUILLON_SHARED_LIBRARY;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    std::map<std::string, std::string> symbols;
    char line[512];
    while (pipe != nullptr && std::fgets(line, sizeof line, pipe) != nullptr) {
        std::string entry(line);
        const std::string symbol = entry.substr(0, entry.find(' '));
        const char type = entry.size() > symbol.size() + 1 ? entry[symbol.size() + 1] : '?';
        if (type == 'T' || type == 'W' || type == 'D' || type == 'B' || type == 'i') {
            const std::size_t at = std::min(symbol.find('@'), symbol.size());
            symbols[symbol.substr(0, at)] = symbol.substr(at);
        }
    }
    if (pipe != nullptr) {
        EXPECT_EQ(pclose(pipe), 0);
    }
    return symbols;
}

TEST(SharedLibrary, ExportsExactlyTheDefFileFunctions) {
    const auto expected = FunctionsOfTheDefFile();
    ASSERT_FALSE(expected.empty());
    std::set<std::string> exported;
    for (const auto& [name, version] : DynamicSymbolsOfTheLibrary()) exported.insert(name);
    EXPECT_EQ(exported, expected);
}

// A program linked against the library records the node with each function it calls, and the
// loader checks it: a library of another interface is refused at start, not called wrongly.
TEST(SharedLibrary, EveryExportIsAtTheVersionNodeOfTheMajorVersion) {
    const std::string expected = std::string("@@") + QUILLON_SYMBOL_VERSION;
    for (const auto& [name, version] : DynamicSymbolsOfTheLibrary()) {
        EXPECT_EQ(version, expected) << name;
    }
}

TEST(SharedLibrary, EveryExportResolvesByName) {
    void* library = dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const auto& name : FunctionsOfTheDefFile()) {
        EXPECT_NE(dlsym(library, name.c_str()), nullptr) << name;
    }
    EXPECT_EQ(dlsym(library, "DllMain"), nullptr) << "the entry is not an export";
    dlclose(library);
}

// Loads the library, runs an AES round trip through its exports, unloads it.
void RoundTripThroughAFreshLoad() {
    void* library = dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    quillon::test::ExpectAesRoundTrip(
        reinterpret_cast<decltype(&AesCreateContext)>(dlsym(library, "AesCreateContext")),
        reinterpret_cast<decltype(&AesCbcCrypt)>(dlsym(library, "AesCbcCrypt")),
        reinterpret_cast<decltype(&AesDestroyContext)>(dlsym(library, "AesDestroyContext")));
    ASSERT_EQ(dlclose(library), 0);
}

TEST(SharedLibrary, LoadUnloadLoadAgain) {
    RoundTripThroughAFreshLoad();
    // Really gone: the next load runs the entry again on a new instance.
    EXPECT_EQ(dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_NOLOAD), nullptr);
    RoundTripThroughAFreshLoad();
}

}  // namespace

namespace {

// There is no security driver on Linux: the real library answers as with a missing driver.
TEST(SharedLibrary, HardwareRandomDeviceIsAbsent) {
    void* library = dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto random =
        reinterpret_cast<decltype(&IsdGetRandomNumber)>(dlsym(library, "IsdGetRandomNumber"));
    auto test = reinterpret_cast<decltype(&IsdTestRandomGenerator)>(
        dlsym(library, "IsdTestRandomGenerator"));
    ASSERT_TRUE(random && test);
    uint32_t value = 5;
    EXPECT_EQ(random(&value), ISD_EUNKNOWN);
    EXPECT_EQ(value, 0u);
    EXPECT_EQ(test(), ISD_EUNKNOWN);
    dlclose(library);
}

}  // namespace

namespace {

// The loaded library's own code passes its integrity check, and every other test with it.
TEST(SharedLibrary, SelfTestPassesInTheLoadedModule) {
    void* library = dlopen(QUILLON_SHARED_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    auto selfTest = reinterpret_cast<decltype(&SelfTest)>(dlsym(library, "SelfTest"));
    ASSERT_NE(selfTest, nullptr);
    EXPECT_EQ(selfTest(), 1);
    // Not unloaded: the random generator the RSA test started lives until the process ends, and
    // unloading would orphan it.
}

}  // namespace
