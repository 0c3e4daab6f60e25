// The message-box seam: unattended runs log and take the default button; otherwise the box
// implementation in force answers, and a test's replacement stands where a person would.
#include <string>
#include <vector>

#include "platform/ui.h"
#include "testkit.h"

namespace {

class AnsweringBoxes : public kz::MessageBoxes {
 public:
  explicit AnsweringBoxes(int answer) : answer_(answer) {}
  int Show(const std::wstring& text, long style, const std::wstring& title) override {
    shown.push_back(std::to_wstring(style) + L"|" + title + L"|" + text);
    return answer_;
  }
  std::vector<std::wstring> shown;

 private:
  int answer_;
};

// Runs with KELZUD10_UNATTENDED removed from the process for its life.
class Attended {
 public:
  Attended() {
    wchar_t buf[1024];
    DWORD n = GetEnvironmentVariableW(L"KELZUD10_UNATTENDED", buf, 1024);
    if (n && n < 1024) old_.assign(buf, n);
    SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", nullptr);
  }
  ~Attended() { SetEnvironmentVariableW(L"KELZUD10_UNATTENDED", old_.empty() ? nullptr : old_.c_str()); }

 private:
  std::wstring old_;
};

}  // namespace

TEST(MessageBoxSeam, AReplacementAnswersWhileInForceAndIsGoneAfter) {
  Attended attended;
  EXPECT_FALSE(kz::IsUnattended());
  AnsweringBoxes no(IDNO), cancel(-1);
  {
    kz::ScopedSeam<kz::MessageBoxes> use(no);
    EXPECT_EQ(kz::ShowMessage(L"Replace it?", MB_YESNO | MB_ICONQUESTION, L"Copy"), IDNO);
    {
      // A box that could not be shown gives the default button, as an unattended run does.
      kz::ScopedSeam<kz::MessageBoxes> inner(cancel);
      EXPECT_EQ(kz::ShowMessage(L"t", MB_YESNO | MB_DEFBUTTON2, L""), IDNO);
      EXPECT_EQ(kz::ShowMessage(L"t", MB_YESNO, L""), IDYES);
    }
    EXPECT_EQ(kz::ShowMessage(L"again", MB_OK, L"T"), IDNO);  // the outer replacement is back
  }
  EXPECT_EQ(no.shown, (std::vector<std::wstring>{L"36|Copy|Replace it?", L"0|T|again"}));
  EXPECT_EQ(cancel.shown.size(), 2u);
  EXPECT_EQ(&kz::Seam<kz::MessageBoxes>(), &kz::SeamDefault<kz::MessageBoxes>());
}

TEST(MessageBoxSeam, UnattendedRunsLogBoxesAndWindowsWithoutAskingTheSeam) {
  kzt::UnattendedLog log;
  AnsweringBoxes no(IDNO);
  kz::ScopedSeam<kz::MessageBoxes> use(no);
  EXPECT_TRUE(kz::IsUnattended());
  EXPECT_EQ(kz::ShowMessage(L"line 1\r\nline 2", MB_YESNO | MB_ICONQUESTION, L"Title\t1"), IDYES);
  kz::LogUnattendedWindow(L"picker", L"Browse for Folder", L"Choose a folder");
  EXPECT_TRUE(no.shown.empty());
  EXPECT_EQ(log.Records(), (std::vector<std::wstring>{L"36\tTitle\\t1\tline 1\\r\\nline 2",
                                                    L"picker\tBrowse for Folder\tChoose a folder"}));
}
