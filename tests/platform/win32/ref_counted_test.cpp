// The reference counting every platform object shares: the count each call returns, the one
// deletion at the last release, no second deletion from an extra release, revival of an object
// that outlived its count, and QueryInterface's answers.
#include "win32/ref_counted.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

struct ITestThing : IUnknown {};

// Counts its deletions and revivals in variables that outlive it.
class CountedThing final : public RefCounted<ITestThing> {
  public:
    CountedThing(int& deletedCounter, int& revivedCounter, bool keepAlive)
        : deleted(deletedCounter), revived(revivedCounter), kept(keepAlive) {}
    ~CountedThing() override { ++deleted; }
    using RefCounted::References;

  protected:
    void LastReleased() override {
        if (!kept)
            RefCounted::LastReleased();
    }
    void Revived() override { ++revived; }

  private:
    int& deleted;
    int& revived;
    bool kept;
};

} // namespace

TEST(RefCounted, CountsUpAndDownAndDeletesOnceAtTheLastRelease) {
    int deleted = 0;
    int revived = 0;
    auto* thing = new CountedThing(deleted, revived, false);
    EXPECT_EQ(thing->AddRef(), 2u);
    EXPECT_EQ(thing->AddRef(), 3u);
    EXPECT_EQ(thing->Release(), 2u);
    EXPECT_EQ(thing->Release(), 1u);
    EXPECT_EQ(deleted, 0);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(revived, 0) << "counting up from one revives nothing";
}

TEST(RefCounted, AnObjectKeptPastItsCountIgnoresExtraReleasesAndRevives) {
    int deleted = 0;
    int revived = 0;
    auto thing = std::make_unique<CountedThing>(deleted, revived, true);
    EXPECT_EQ(thing->Release(), 0u);
    EXPECT_EQ(thing->Release(), 0u) << "no wrap-around below zero";
    EXPECT_EQ(thing->References(), 0u);
    EXPECT_EQ(thing->AddRef(), 1u);
    EXPECT_EQ(revived, 1);
    EXPECT_EQ(thing->AddRef(), 2u);
    EXPECT_EQ(revived, 1);
    EXPECT_EQ(deleted, 0);
}

TEST(RefCounted, QueryInterfaceKnowsNoInterfaceAndRefusesANullOutPointer) {
    int deleted = 0;
    int revived = 0;
    auto thing = std::make_unique<CountedThing>(deleted, revived, true);
    const GUID anyInterface = {};
    void* out = thing.get();
    EXPECT_EQ(thing->QueryInterface(anyInterface, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(thing->QueryInterface(anyInterface, nullptr), E_POINTER);
    EXPECT_EQ(thing->References(), 1u) << "a refused query takes no reference";
}
