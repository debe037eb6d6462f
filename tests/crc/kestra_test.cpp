// Kestra as its callers see it: the library is opened by path and the six functions are
// looked up by their plain names. Each test opens a fresh copy of the library (the previous
// one is closed and must really be gone), so the process-wide accumulators start from load.
#include "kestra.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <climits>
#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Channel {
    const char* name;
    decltype(&IniCrc1) init;
    decltype(&Crc1) add;
    decltype(&GetCrc1) get;

    void addAll(const std::string& bytes) const
    {
        for (unsigned char b : bytes)
            ASSERT_EQ(add(b), -1) << name << " refused byte " << int(b);
    }
};

class Kestra : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(dlopen(KESTRA_LIBRARY_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr)
            << "the library is still loaded, so its accumulators would not start fresh";
        handle_ = dlopen(KESTRA_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle_, nullptr) << dlerror();
        channels_ = {bind("channel 1", "IniCrc1", "Crc1", "GetCrc1"),
                     bind("channel 16", "IniCrc16", "Crc16", "GetCrc16")};
    }

    void TearDown() override
    {
        if (handle_)
            dlclose(handle_);
    }

    Channel bind(const char* name, const char* init, const char* add, const char* get)
    {
        Channel c{name, reinterpret_cast<decltype(&IniCrc1)>(dlsym(handle_, init)),
                  reinterpret_cast<decltype(&Crc1)>(dlsym(handle_, add)),
                  reinterpret_cast<decltype(&GetCrc1)>(dlsym(handle_, get))};
        EXPECT_TRUE(c.init && c.add && c.get) << name << ": export missing";
        return c;
    }

    void* handle_ = nullptr;
    std::vector<Channel> channels_;
};

TEST_F(Kestra, ReadingBeforeAnyByteGivesZeroAfterLoadAndAfterInitialise)
{
    for (const Channel& c : channels_) {
        EXPECT_EQ(c.get(), 0) << c.name << " right after loading";
        c.addAll("xyz");
        c.init();
        EXPECT_EQ(c.get(), 0) << c.name << " right after initialising";
    }
}

TEST_F(Kestra, KnownChecksOnBothChannels)
{
    std::string everyByte;
    for (int b = 0; b < 256; ++b)
        everyByte += char(b);
    // The value of the 256-byte case comes from an independent implementation.
    const struct {
        std::string bytes;
        int32_t check;
    } cases[] = {{"123456789", 0xD64E}, {"abc", 0xAEB5}, {"", 0x0000}, {everyByte, 0xC042}};
    for (const Channel& c : channels_) {
        for (const auto& k : cases) {
            c.init();
            c.addAll(k.bytes);
            EXPECT_EQ(c.get(), k.check) << c.name << " over " << k.bytes.size() << " bytes";
        }
    }
}

TEST_F(Kestra, TableChannelMatchesBitwiseChannelThroughEveryTableEntry)
{
    const Channel& table = channels_[0];
    const Channel& bitwise = channels_[1];
    table.init();
    bitwise.init();
    // The read gives the inverted register, so the next byte can be chosen to make the table
    // channel look up entry `entry`: every entry is used once, and a wrong entry shows at once.
    for (int entry = 0; entry < 256; ++entry) {
        const int32_t reg = ~bitwise.get() & 0xFFFF;
        const int32_t b = entry ^ ((reg >> 8) & 0xFF);
        ASSERT_EQ(table.add(b), -1);
        ASSERT_EQ(bitwise.add(b), -1);
        ASSERT_EQ(table.get(), bitwise.get()) << "table entry " << entry;
    }
}

TEST_F(Kestra, RefusedValuesReturnZeroAndLeaveTheRunningCheck)
{
    for (const Channel& c : channels_) {
        c.init();
        c.addAll("1234");
        const int32_t before = c.get();
        for (int32_t refused : {-1, 256, INT32_MIN, INT32_MAX, 0x100 | '5'}) {
            EXPECT_EQ(c.add(refused), 0) << c.name << " accepted " << refused;
            EXPECT_EQ(c.get(), before) << c.name << " changed after refusing " << refused;
        }
        c.addAll("56789");
        EXPECT_EQ(c.get(), 0xD64E) << c.name;
    }
}

TEST_F(Kestra, ReadingDoesNotResetTheRunningCheck)
{
    for (const Channel& c : channels_) {
        c.init();
        c.addAll("1234");
        const int32_t first = c.get();
        EXPECT_EQ(c.get(), first) << c.name << ": two reads in a row differ";
        c.addAll("56789");
        EXPECT_EQ(c.get(), 0xD64E) << c.name;
    }
}

TEST_F(Kestra, ChannelsDoNotAffectEachOther)
{
    const Channel& one = channels_[0];
    const Channel& sixteen = channels_[1];
    one.init();
    sixteen.init();
    const std::string a = "123456789", b = "abc";
    for (std::size_t i = 0; i < a.size(); ++i) {
        one.addAll(a.substr(i, 1));
        if (i < b.size())
            sixteen.addAll(b.substr(i, 1));
    }
    EXPECT_EQ(one.get(), 0xD64E);
    EXPECT_EQ(sixteen.get(), 0xAEB5);

    sixteen.init();
    EXPECT_EQ(one.get(), 0xD64E) << "initialising channel 16 touched channel 1";
    one.init();
    EXPECT_EQ(sixteen.get(), 0) << "initialising channel 1 touched channel 16";
}

} // namespace
