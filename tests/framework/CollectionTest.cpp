#include "Classes.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// An item with a member of its own, which the collection's notification reads.
class TValueItem : public TCollectionItem {
  Q_OBJECT
public:
  explicit TValueItem(TCollection* collection) : TCollectionItem(nullptr) {
    JoinCollection(collection);
  }
  int value = 42;
};

// A collection that calls OnUpdate for every notification, and checks every item is whole.
class TWatchedCollection : public TCollection {
  Q_OBJECT
public:
  TWatchedCollection()
      : TCollection(
            nullptr, [](TCollection* c) { return new TValueItem(c); },
            &TValueItem::staticMetaObject) {}
  std::function<void()> OnUpdate;
  int updates = 0;

protected:
  void Update(TCollectionItem*) override {
    ++updates;
    for (int i = 0; i < Count(); ++i) EXPECT_EQ(static_cast<TValueItem*>(Items(i))->value, 42);
    // A copy runs: the handler may replace itself or free this collection.
    if (const std::function<void()> handler = OnUpdate) handler();
  }
};

}  // namespace

TEST(Collection, ItemsJoinOnlyWhenWhole) {
  TWatchedCollection c;
  TCollectionItem* added = c.Add();
  ASSERT_NE(added, nullptr);
  EXPECT_EQ(added->Collection(), &c);
  EXPECT_EQ(c.updates, 1);
  auto* direct = new TValueItem(&c);
  EXPECT_EQ(direct->Index(), 1);
  EXPECT_EQ(c.updates, 2);
}

TEST(Collection, HandlersMayFreeWhatTheyAreToldAbout) {
  TWatchedCollection c;
  c.OnUpdate = [&] {
    c.OnUpdate = nullptr;
    c.Clear();
  };
  EXPECT_EQ(c.Add(), nullptr);
  EXPECT_EQ(c.Count(), 0);

  auto owner = std::make_unique<TWatchedCollection>();
  owner->Add();
  owner->OnUpdate = [&] { owner.reset(); };
  owner->Delete(0);
  EXPECT_EQ(owner, nullptr);
}

TEST(Collection, AssignKeepsItselfAndRefusesOtherItemsFirst) {
  TWatchedCollection c;
  c.Add();
  c.Add();
  const int updates = c.updates;
  c.Assign(&c);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(c.updates, updates);
  TCollection plain(nullptr, [](TCollection* o) { return new TCollectionItem(o); });
  plain.Add();
  EXPECT_THROW(c.Assign(&plain), EConvertError);
  EXPECT_EQ(c.Count(), 2);
}

#include "CollectionTest.moc"
