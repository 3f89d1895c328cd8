#include "KvSystem.h"

#include "FormDescriptions.h"
#include "Forms.h"
#include "Offscreen.h"
#include "Pixels.h"

#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A client: one change link whose notifications are logged under a name.
struct Client {
  TKvChangeLink link;
  std::vector<std::string>* log;
  std::string name;
  Client(std::vector<std::string>* log_, std::string name_) : log(log_), name(std::move(name_)) {
    QObject::connect(&link, &TKvChangeLink::OnChange, [this](TObject*) { log->push_back(name); });
    QObject::connect(&link, &TKvChangeLink::OnDetach,
                     [this](TObject*) { log->push_back(name + " detached"); });
  }
};

void AddPicture(TKvBitmapList& list, int width, int height, TColor color) {
  kvtest::Picture p(width, height, color);
  list.Bitmaps()->Add(&p.bitmap);
}

}  // namespace

TEST(BitmapList, GetBitmapIsNoneOutsideTheList) {
  TKvBitmapList list(nullptr);
  EXPECT_EQ(list.GetBitmap(0), nullptr);
  AddPicture(list, 3, 2, clRed);
  EXPECT_EQ(list.GetBitmap(-1), nullptr);
  EXPECT_EQ(list.GetBitmap(1), nullptr);
  ASSERT_NE(list.GetBitmap(0), nullptr);
  EXPECT_EQ(list.GetBitmap(0)->Width(), 3);
  EXPECT_EQ(kvtest::PixelAt(list.GetBitmap(0)->Image(), 1, 1), 0x0000FF);
}

TEST(BitmapList, ChangesReachLinksInOrderThenOnChangeOnce) {
  std::vector<std::string> log;
  TKvBitmapList list(nullptr);
  Client a(&log, "a"), b(&log, "b"), unlinked(&log, "u");
  list.InsertLink(&b.link);
  list.InsertLink(&a.link);
  QObject::connect(&list, &TKvBitmapList::OnChange, [&](TObject* sender) {
    EXPECT_EQ(sender, &list);
    log.push_back("list");
  });
  AddPicture(list, 2, 2, clRed);
  AddPicture(list, 2, 2, clLime);
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("two.kvb"));
  list.Bitmaps()->SaveToFile(file);
  log.clear();

  list.Bitmaps()->LoadFromFile(file);
  EXPECT_EQ(log, (std::vector<std::string>{"b", "a", "list"}));
  EXPECT_EQ(list.Bitmaps()->Count(), 4);

  list.RemoveLink(&b.link);
  log.clear();
  list.Bitmaps()->Clear();  // twice: its own update's end and once more
  EXPECT_EQ(log, (std::vector<std::string>{"a", "list", "a", "list"}));
  EXPECT_EQ(b.link.Sender(), nullptr);
}

TEST(BitmapList, AHandlerRemovingAnotherClientMidWalkIsSafe) {
  std::vector<std::string> log;
  TKvBitmapList list(nullptr);
  Client a(&log, "a");
  auto b = std::make_unique<Client>(&log, "b");
  Client c(&log, "c");
  list.InsertLink(&a.link);
  list.InsertLink(&b->link);
  list.InsertLink(&c.link);
  QObject::connect(&a.link, &TKvChangeLink::OnChange, [&](TObject*) { b.reset(); });
  AddPicture(list, 1, 1, clRed);
  EXPECT_EQ(log, (std::vector<std::string>{"a", "c"}));
  EXPECT_EQ(list.LinkCount(), 2);
}

// The list freed inside its own notification: nothing after the handler touches it, and the
// clients not yet told have no list any more.
TEST(BitmapList, FreedInsideItsOwnChange) {
  QTemporaryDir dir;
  const QString file = dir.filePath(QStringLiteral("one.kvb"));
  {
    TKvBitmapList saver(nullptr);
    AddPicture(saver, 2, 2, clRed);
    saver.Bitmaps()->SaveToFile(file);
  }
  TKvBitmaps source;
  {
    kvtest::Picture p(2, 2, clBlue);
    source.Add(&p.bitmap);
  }
  const std::vector<std::pair<std::string, std::function<void(TKvBitmapList*)>>> changes = {
      {"Clear", [](TKvBitmapList* l) { l->Bitmaps()->Clear(); }},
      {"Add", [](TKvBitmapList* l) { AddPicture(*l, 1, 1, clRed); }},
      {"LoadFromFile", [&](TKvBitmapList* l) { l->Bitmaps()->LoadFromFile(file); }},
      {"Assign", [&](TKvBitmapList* l) { l->SetBitmaps(&source); }},
  };
  for (const auto& [name, change] : changes) {
    for (const bool fromClient : {false, true}) {
      SCOPED_TRACE(name + (fromClient ? " from a client" : " from OnChange"));
      std::vector<std::string> log;
      QPointer<TKvBitmapList> list = new TKvBitmapList(nullptr);
      AddPicture(*list, 1, 1, clLime);
      Client first(&log, "first"), second(&log, "second");
      list->InsertLink(&first.link);
      list->InsertLink(&second.link);
      if (fromClient)
        QObject::connect(&first.link, &TKvChangeLink::OnChange, [&](TObject*) { delete list; });
      else QObject::connect(list, &TKvBitmapList::OnChange, [&](TObject*) { delete list; });
      change(list);
      kvtest::Pump();
      EXPECT_TRUE(list.isNull());
      EXPECT_EQ(first.link.Sender(), nullptr);
      EXPECT_EQ(second.link.Sender(), nullptr);
      if (fromClient) {
        EXPECT_EQ(log, (std::vector<std::string>{"first", "first detached", "second detached"}));
      }
    }
  }
}

TEST(BitmapList, DestructionTellsEachClientWhileTheListIsWhole) {
  std::vector<std::string> log;
  auto* list = new TKvBitmapList(nullptr);
  AddPicture(*list, 1, 1, clLime);
  Client a(&log, "a"), b(&log, "b");
  list->InsertLink(&a.link);
  list->InsertLink(&b.link);
  int countSeen = -1;
  QObject::connect(&a.link, &TKvChangeLink::OnDetach, [&](TObject* sender) {
    // The bitmaps are gone (silently), the list itself can still be asked.
    countSeen = static_cast<TKvBitmapList*>(sender)->GetBitmap(0) ? 1 : 0;
  });
  delete list;
  EXPECT_EQ(log, (std::vector<std::string>{"a detached", "b detached"}));
  EXPECT_EQ(countSeen, 0);
  EXPECT_EQ(a.link.Sender(), nullptr);
}

TEST(BitmapList, BitmapsSurviveAFormDescription) {
  TForm form(nullptr);
  auto* list = new TKvBitmapList(&form);
  list->SetName(QStringLiteral("Pictures"));
  AddPicture(*list, 3, 2, clRed);
  AddPicture(*list, 1, 4, clBlue);
  const QByteArray text = kv::WriteComponent(&form);
  TForm copy(nullptr);
  kv::ReadComponent(&copy, text, QStringLiteral("pictures.kvf"));
  auto* read = dynamic_cast<TKvBitmapList*>(copy.FindComponent(QStringLiteral("Pictures")));
  ASSERT_NE(read, nullptr);
  ASSERT_EQ(read->Bitmaps()->Count(), 2);
  EXPECT_EQ(read->GetBitmap(1)->Height(), 4);
  EXPECT_EQ(kvtest::PixelAt(read->GetBitmap(1)->Image(), 0, 3), 0xFF0000);
}
