// Form positions kept in an INI section: saving by window state, loading with the minimum size
// and the four-pixel margin, the form actions, and forms that misbehave.
#include <cmath>
#include <limits>
#include <map>

#include "base/seam.h"
#include "ini/clsKelzudINIFileHandler1A.h"
#include "modules/standin.h"
#include "platform/screen.h"
#include "testkit.h"

using namespace kzt;
using kz::IniFileHandler;

namespace {

// A client form: numeric properties, Move, and a record of every change made to it.
struct Form {
  std::map<std::wstring, double> props{{L"Left", 0}, {L"Top", 0}, {L"Width", 1000}, {L"Height", 1000},
                                       {L"WindowState", 0}};
  std::vector<std::wstring> calls;
  StandIn* disp = nullptr;

  Form() {
    disp = new StandIn([this](const std::wstring& m, std::vector<VARIANT*>& args, VARIANT* result) -> HRESULT {
      if (m == L"Move") {
        std::wstring c = L"Move";
        for (VARIANT* a : args) c += L" " + kz::VarToStr(a);
        calls.push_back(c);
        return S_OK;
      }
      if (m == L"BackColor" && args.size() == 1) {
        calls.push_back(L"BackColor=" + kz::VarToStr(args[0]));
        return S_OK;
      }
      auto it = props.find(m);
      if (it == props.end()) return DISP_E_MEMBERNOTFOUND;
      if (args.size() == 1) {
        Var d;
        VariantChangeType(d.get(), args[0], 0, VT_R8);
        it->second = d.get()->dblVal;
        calls.push_back(m + L"=" + kz::VarToStr(args[0]));
      } else if (result) {
        result->vt = VT_R8;
        result->dblVal = it->second;
      }
      return S_OK;
    });
  }
  ~Form() { disp->Release(); }
};

struct FixedScreen : kz::Screen {
  kz::ScreenMetrics m;
  FixedScreen() {
    m.width_twips = 15360;
    m.height_twips = 11520;
    m.twips_per_pixel_x = m.twips_per_pixel_y = 15;
  }
  kz::ScreenMetrics Metrics() override { return m; }
};

struct Fixture {
  TempDir dir;
  Ptr<IniFileHandler> h = Ptr<IniFileHandler>::Adopt(kz::MakeObject<IniFileHandler>());
  FixedScreen screen;
  kz::ScopedSeam<kz::Screen> use{screen};
  Fixture(const std::string& ini = "") {
    WriteFileText(dir.File(L"f.ini"), ini);
    h->set_path(dir.File(L"f.ini"));
    h->set_section(L"Main");
    h->set_key(L"Before");
    h->set_default(L"d");
  }
  std::wstring Read(const wchar_t* key) {
    wchar_t buf[128];
    GetPrivateProfileStringW(L"Main", key, L"<none>", buf, 128, dir.File(L"f.ini").c_str());
    return buf;
  }
  void Load(Form& f, long min_w = 3000, long min_h = 3000) {
    Var w = Var::Long(min_w), hh = Var::Long(min_h);
    h->LoadFormFrom(f.disp, w.get(), hh.get());
    EXPECT_EQ(h->key(), L"Before");
    EXPECT_EQ(h->default_text(), L"d");
  }
};

}  // namespace

TEST(FormPosition, SaveWritesByWindowState) {
  struct Case { double state; const wchar_t* maximised; const wchar_t* left; } cases[] = {
      {0, L"0", L"1234.5"}, {2, L"1", L"<none>"}, {1, L"<none>", L"<none>"}};
  for (const Case& c : cases) {
    Fixture fx;
    Form f;
    f.props[L"Left"] = 1234.5;
    f.props[L"WindowState"] = c.state;
    fx.h->SaveFormTo(f.disp);
    EXPECT_EQ(fx.Read(L"Maximised"), c.maximised) << c.state;
    EXPECT_EQ(fx.Read(L"Left"), c.left) << c.state;
    EXPECT_EQ(fx.h->key(), L"Before");
  }
}

TEST(FormPosition, LoadKeepsMinimumSizeAndMargin) {
  struct Case { std::string ini; long min_w, min_h; const wchar_t* want; } cases[] = {
      {"", 3000, 3000, L"Move 60 60 3000 3000"},                                   // empty section
      {"[Main]\r\nLeft=0\r\nTop=900\r\nWidth=4000\r\nHeight=4000\r\n", 3000, 3000, L"Move 60 900 4000 4000"},
      {"[Main]\r\nLeft=14000\r\nWidth=4000\r\n", 3000, 3000, L"Move 11300 60 4000 3000"},   // W - 60 - width
      {"[Main]\r\nLeft=500\r\nWidth=20000\r\n", 3000, 3000, L"Move 60 60 15240 3000"},      // W - 120
      {"[Main]\r\nLeft=500\r\nWidth=20000\r\n", 16000, 3000, nullptr},                     // cannot fit: not moved
      {"[Main]\r\nLeft=abc\r\nWidth=\r\n", 3000, 3000, L"Move 60 60 3000 3000"},           // not numbers: the form's own
      // Each minimum applies to its own side.
      {"", 2000, 5000, L"Move 60 60 2000 5000"},
      {"", 5000, 2000, L"Move 60 60 5000 2000"},
      {"[Main]\r\nWidth=2500\r\nHeight=2500\r\n", 2400, 2600, L"Move 60 60 2500 2600"},
      {"[Main]\r\nTop=500\r\nHeight=20000\r\n", 3000, 12000, nullptr},                 // too tall to fit: not moved
      {"[Main]\r\nTop=500\r\nHeight=20000\r\n", 12000, 3000, L"Move 60 60 12000 11400"},  // H - 120
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.min_w << "x" << c.min_h);
    Fixture fx(c.ini);
    Form f;
    fx.Load(f, c.min_w, c.min_h);
    if (c.want) {
      ASSERT_EQ(f.calls.size(), 1u) << c.ini;
      EXPECT_EQ(f.calls[0], c.want) << c.ini;
    } else {
      EXPECT_TRUE(f.calls.empty()) << c.ini;
    }
  }
}

TEST(FormPosition, LoadMaximisesAfterMoving) {
  Fixture fx("[Main]\r\nMaximised=1\r\nLeft=100\r\nTop=100\r\nWidth=5000\r\nHeight=4000\r\n");
  Form f;
  fx.Load(f);
  ASSERT_EQ(f.calls.size(), 2u);
  EXPECT_EQ(f.calls[0], L"Move 100 100 5000 4000");
  EXPECT_EQ(f.calls[1], L"WindowState=2");
}

TEST(FormPosition, MisbehavingFormsNeverRaise) {
  {
    Fixture fx;
    Form f;
    f.props.erase(L"Height");  // a form missing a member
    fx.h->SaveFormTo(f.disp);
    EXPECT_EQ(fx.h->last_return_code(), 0);
    EXPECT_EQ(fx.h->key(), L"Before");
    fx.Load(f);
    EXPECT_TRUE(f.calls.empty());
  }
  for (double absurd : {std::nan(""), 1e300, -1e300}) {
    Fixture fx;
    Form f;
    f.props[L"Width"] = absurd;
    fx.Load(f);
    EXPECT_TRUE(f.calls.empty()) << absurd;
    EXPECT_EQ(fx.h->last_return_code(), 0);
  }
  Fixture fx;
  IDispatch* none = nullptr;
  EXPECT_HRESULT_SUCCEEDED(fx.h->SaveFormPosition(&none));
  EXPECT_HRESULT_SUCCEEDED(fx.h->LoadFormPosition(&none, nullptr, nullptr));
}

TEST(FormPosition, FormMapActionsThroughPals) {
  Fixture fx("[Main]\r\nFormMap1BackColor=255\r\nFormMap1Move=100,200,3000,2000\r\nFormMap1Top=250x\r\n");
  Form f;
  fx.h->set_default(L"");  // absent keys read as Default: empty, so their steps are skipped
  EXPECT_HRESULT_SUCCEEDED(fx.h->putref_FrmObj(f.disp));
  IFHPALSParamA code = kelzudIFHPalsFormMap1;
  Var ret;
  ASSERT_HRESULT_SUCCEEDED(fx.h->Pals(&code, nullptr, nullptr, nullptr, nullptr, ret.get()));
  EXPECT_EQ(f.calls, (std::vector<std::wstring>{L"BackColor=255", L"Left=100", L"Top=200", L"Width=3000",
                                                L"Height=2000", L"Top=250"}));
  EXPECT_EQ(fx.h->key(), L"FormMap1Height");

  // Fewer than four fields: error 9 after the fields there are; no form: 91.
  Fixture short_move("[Main]\r\nFormMap1Move=1,2\r\n");
  Form g;
  short_move.h->set_default(L"");
  short_move.h->putref_FrmObj(g.disp);
  EXPECT_EQ(short_move.h->Pals(&code, nullptr, nullptr, nullptr, nullptr, ret.get()), kz::Error(9).hresult());
  EXPECT_EQ(g.calls, (std::vector<std::wstring>{L"Left=1", L"Top=2"}));
  Fixture no_form("[Main]\r\nFormMap1Left=5\r\n");
  no_form.h->set_default(L"");
  EXPECT_EQ(no_form.h->Pals(&code, nullptr, nullptr, nullptr, nullptr, ret.get()), kz::Error(91).hresult());

  code = kelzudIFHPalsFormMap2;
  ASSERT_HRESULT_SUCCEEDED(fx.h->Pals(&code, nullptr, nullptr, nullptr, nullptr, ret.get()));
  EXPECT_NE(ReadFileText(fx.dir.File(L"f.ini")).find(L"\n=\r\n"), std::wstring::npos)
      << ReadFileText(fx.dir.File(L"f.ini")).size();
}

TEST(FormPosition, ScreenOfTheDisplay) {
  // The run's virtual display is 1024 by 768 pixels.
  kz::ScreenMetrics m = kz::SeamDefault<kz::Screen>().Metrics();
  ASSERT_GT(m.twips_per_pixel_x, 0);
  EXPECT_DOUBLE_EQ(m.width_twips / m.twips_per_pixel_x, 1024);
  EXPECT_DOUBLE_EQ(m.height_twips / m.twips_per_pixel_y, 768);
}
