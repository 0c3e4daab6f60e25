// The Collection behind the open-key table and the key and value collections: positions and
// string keys stay right through any mix of adding, inserting and removing, and removing costs
// the same whatever the count.
#include <string>
#include <vector>

#include "com/collection.h"
#include "testkit.h"

using namespace kzt;
using kz::Collection;

namespace {

struct Model {
  long value;
  std::wstring key;  // empty: no key
};

Ptr<Collection> NewCollection() { return Ptr<Collection>::Adopt(kz::MakeObject<Collection>()); }

// Every position and every key of the collection agree with the model.
void ExpectSame(Collection& c, const std::vector<Model>& model) {
  ASSERT_EQ(c.size(), static_cast<long>(model.size()));
  for (size_t i = 0; i < model.size(); ++i) {
    const VARIANT& v = c.At(static_cast<long>(i + 1));
    ASSERT_EQ(v.vt, VT_I4);
    ASSERT_EQ(v.lVal, model[i].value) << "position " << i + 1;
    if (!model[i].key.empty()) {
      ASSERT_EQ(c.Find(kz::UpperCase(model[i].key)), static_cast<long>(i + 1));
    }
  }
  std::vector<Var> snap = c.Snapshot();
  ASSERT_EQ(snap.size(), model.size());
  for (size_t i = 0; i < model.size(); ++i) ASSERT_EQ(snap[i].get()->lVal, model[i].value);
}

}  // namespace

TEST(Collection, PositionsAndKeysStayRightThroughAnyMixOfChanges) {
  Ptr<Collection> c = NewCollection();
  std::vector<Model> model;
  uint32_t x = 7;
  auto next = [&x](uint32_t n) {
    x = x * 1664525u + 1013904223u;
    return (x >> 8) % n;
  };
  long counter = 0;
  for (int step = 0; step < 6000; ++step) {
    uint32_t op = next(10);
    if (op < 5 || model.empty()) {  // add at the end, every other one with a key
      ++counter;
      std::wstring key = counter % 2 ? L"Key" + std::to_wstring(counter) : L"";
      c->Append(*Var::Long(counter).get(), key.empty() ? nullptr : &key);
      model.push_back({counter, key});
    } else if (op < 6) {  // insert before a position
      ++counter;
      long before = static_cast<long>(next(static_cast<uint32_t>(model.size()))) + 1;
      Var item = Var::Long(counter), key = Var::Str(L"ins" + std::to_wstring(counter)), b = Var::Long(before);
      c->Insert(*item.get(), key.get(), b.get(), nullptr);
      model.insert(model.begin() + (before - 1), {counter, L"ins" + std::to_wstring(counter)});
    } else if (op < 8) {  // remove by position
      long p = static_cast<long>(next(static_cast<uint32_t>(model.size()))) + 1;
      c->RemoveAt(p);
      model.erase(model.begin() + (p - 1));
    } else {  // remove by key, when one is there
      size_t i = next(static_cast<uint32_t>(model.size()));
      if (model[i].key.empty()) continue;
      c->RemoveAt(c->PositionOf(*Var::Str(kz::LowerCase(model[i].key)).get()));
      model.erase(model.begin() + static_cast<long>(i));
    }
    if (step % 500 == 0) ExpectSame(*c.get(), model);
  }
  ExpectSame(*c.get(), model);
  // A removed key is free again; one still there is refused.
  for (const Model& m : model) {
    if (m.key.empty()) continue;
    std::wstring k = m.key;
    EXPECT_THROW(c->Append(*Var::Long(0).get(), &k), kz::Error);
    c->RemoveAt(c->Find(k));
    c->Append(*Var::Long(1).get(), &k);
    EXPECT_EQ(c->Find(k), c->size());
    break;
  }
}

TEST(Collection, ErrorsOfPositionsAndKeys) {
  Ptr<Collection> c = NewCollection();
  std::wstring a = L"a";
  c->Append(*Var::Long(1).get(), &a);
  c->Append(*Var::Long(2).get());
  c->RemoveAt(1);
  const struct {
    Var index;
    long error;
  } cases[] = {{Var::Long(0), 9}, {Var::Long(2), 9}, {Var::Str(L"a"), 5}, {Var(), 5}, {Var::Missing(), 5}};
  for (const auto& t : cases) {
    try {
      c->PositionOf(*t.index.get());
      ADD_FAILURE() << "no error for an index of type " << t.index.vt();
    } catch (const kz::Error& e) {
      EXPECT_EQ(e.number(), t.error);
    }
  }
  EXPECT_EQ(c->PositionOf(*Var::Long(1).get()), 1);
  EXPECT_EQ(c->At(1).lVal, 2);
  c->Clear();
  EXPECT_EQ(c->size(), 0);
  EXPECT_EQ(c->Find(L"a"), 0);
}

// Removal from the front, the worst case of a list that re-indexes what follows: 64,000 of
// them took many minutes that way; one at a time in the index they take milliseconds.
TEST(Collection, RemovingSixtyFourThousandKeyedEntriesTakesLessThanSeconds) {
  const long n = 64000;
  Ptr<Collection> c = NewCollection();
  for (long i = 0; i < n; ++i) {
    std::wstring k = L"_H" + std::to_wstring(i);
    c->Append(*Var::Long(i).get(), &k);
  }
  DWORD t0 = GetTickCount();
  for (long i = 0; i < n; ++i) {
    long p = c->Find(L"_H" + std::to_wstring(i));
    ASSERT_EQ(p, 1);
    ASSERT_EQ(c->At(p).lVal, i);
    c->RemoveAt(p);
  }
  DWORD ms = GetTickCount() - t0;
  EXPECT_EQ(c->size(), 0);
  EXPECT_LT(ms, 5000u) << "64,000 removals took " << ms << " ms";
}
