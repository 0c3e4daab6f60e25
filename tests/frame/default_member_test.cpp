// obj.Prop(args) on a property without parameters goes to the default member of its result.
#include "testkit.h"

using namespace kzt;

TEST(Dispatch, ArgumentsAfterAnObjectPropertyGoToItsDefaultMember) {
  Ptr<IDispatch> root = Create(L"Kelzud10.VQ_KELZUD10");
  Ptr<IDispatch> ini = Create(L"Kelzud10.clsKelzudINIFileHandler1A");
  kz::PutRef(root.get(), L"m_clsKelzudINIFileHandler1A", ini.get());
  Var one = Var::Long(1);
  // The handler has no default member: the call is passed on and fails there with 438,
  // instead of being refused for its argument count.
  CallResult r = Call(root.get(), L"m_clsKelzudINIFileHandler1A", {one.get()}, DISPATCH_PROPERTYGET | DISPATCH_METHOD);
  EXPECT_EQ(r.error, 438);
  // A method of the same shape keeps the argument count check.
  r = Call(ini.get(), L"DeleteKeyINI", {one.get()});
  EXPECT_EQ(r.error, 450);
}
