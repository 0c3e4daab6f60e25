#include "fs/frmCusDrvA.h"

#include <vector>

#include "base/error.h"
#include "base/perthread.h"
#include "base/text.h"
#include "com/typelib.h"
#include "frame/modules.h"
#include "fs/DriveObject.h"
#include "platform/textlog.h"
#include "platform/ui.h"
#include "platform/volumes.h"
#include "sysadmin/clsKelzudWinOnTopA.h"

namespace kz {
namespace cusdrv {
namespace {

constexpr wchar_t kCaption[] = L"Select Drive";
constexpr wchar_t kHeadingText[] = L"in which drive you want to keep all data and settings of Plinvek programs?";
constexpr long kErrDeviceUnavailable = 68;
constexpr long kErrDiskNotReady = 71;
constexpr long kInformationBox = 64;
constexpr long kStopBox = 16;

struct ChosenDriveState {
  std::wstring drive;
};

void SetChosenDrive(const std::wstring& drive) { PerThread<ChosenDriveState>::Get().drive = drive; }

// A size text of the module services, rounded to `decimals` places and written again in the
// platform's number form.
double RoundedValue(const std::wstring& text, int decimals) {
  double value = 0, rounded = 0;
  if (FAILED(VarR8FromStr(const_cast<OLECHAR*>(text.c_str()), LOCALE_USER_DEFAULT, 0, &value))) Raise(kErrTypeMismatch);
  if (FAILED(VarR8Round(value, decimals, &rounded))) Raise(kErrOverflow);
  return rounded;
}

std::wstring Rounded(const std::wstring& text, int decimals) {
  const double rounded = RoundedValue(text, decimals);
  BSTR b = nullptr;
  if (FAILED(VarBstrFromR8(rounded, LOCALE_USER_DEFAULT, 0, &b))) Raise(kErrOutOfMemory);
  std::wstring s = FromBstr(b);
  SysFreeString(b);
  return s;
}

std::wstring Sizes(double bytes) {
  double gb = bytes, mb = bytes, kb = bytes;
  return Rounded(SizeInGBText(gb), 2) + L" GB" + L" , " + Rounded(SizeInMBText(mb), 3) + L" MB" + L" , " +
         Rounded(SizeInKBText(kb), 3) + L" KB";
}

std::wstring WindowText(HWND h) {
  int n = GetWindowTextLengthW(h);
  std::wstring s(static_cast<size_t>(n > 0 ? n : 0) + 1, L'\0');
  n = GetWindowTextW(h, &s[0], static_cast<int>(s.size()));
  s.resize(n > 0 ? static_cast<size_t>(n) : 0);
  return s;
}

std::wstring WindowsDrive() { return ProcessVariable(L"windir").substr(0, 2); }

// The text the drive list shows for a root ("C:\"): the letter, ":" and the volume label or
// network share in brackets.
std::wstring DriveListText(const std::wstring& root) {
  Volumes& v = Seam<Volumes>();
  std::wstring text = LowerCase(root.substr(0, 2)), extra;
  if (v.DriveType(root) == DRIVE_REMOTE) {
    extra = v.ShareName(root.substr(0, 2));
  } else {
    unsigned long serial = 0;
    if (!v.VolumeInformation(root, &extra, &serial, nullptr)) extra.clear();
  }
  if (!extra.empty()) text += L" [" + extra + L"]";
  return text;
}

class Form {
 public:
  // Shows the form and runs its messages until it closes.
  void Run() {
    HINSTANCE inst = ThisModule();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::Proc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);  // already there from an earlier form: that one serves

    owner_ = GetActiveWindow();
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const DWORD ex_style = WS_EX_DLGMODALFRAME | WS_EX_CONTROLPARENT;
    RECT r{0, 0, kWidth, kHeight};
    AdjustWindowRectEx(&r, style, FALSE, ex_style);
    const int w = r.right - r.left, h = r.bottom - r.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - w) / 2, y = (GetSystemMetrics(SM_CYSCREEN) - h) / 2;
    hwnd_ = CreateWindowExW(ex_style, kFormClass, kCaption, style, x, y, w, h, owner_, nullptr, inst, this);
    if (!hwnd_) throw ErrorOfWin32(GetLastError());
    if (owner_) EnableWindow(owner_, FALSE);
    Load();
    ShowWindow(hwnd_, SW_SHOW);
    SetForegroundWindow(hwnd_);
    SetFocus(drives_);

    MSG m;
    while (!done_) {
      BOOL got = GetMessageW(&m, nullptr, 0, 0);
      if (got == 0) {
        PostQuitMessage(static_cast<int>(m.wParam));  // the caller's loop sees it too
        break;
      }
      if (got == -1) break;
      if (!IsDialogMessageW(hwnd_, &m)) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
      }
    }
    if (!done_) Close();
  }

 private:
  static constexpr int kWidth = 420, kHeight = 280;

  static LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
      auto* cs = reinterpret_cast<CREATESTRUCTW*>(lp);
      SetWindowLongPtrW(h, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(cs->lpCreateParams));
      static_cast<Form*>(cs->lpCreateParams)->hwnd_ = h;
    }
    auto* self = reinterpret_cast<Form*>(GetWindowLongPtrW(h, GWLP_USERDATA));
    if (!self) return DefWindowProcW(h, msg, wp, lp);
    return self->Handle(msg, wp, lp);
  }

  LRESULT Handle(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
      case WM_CREATE:
        CreateControls();
        return 0;
      case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        break;
      case DM_GETDEFID:
        return MAKELRESULT(IDOK, DC_HASDEFID);
      case WM_KEYDOWN:
        if (wp == VK_ESCAPE) {
          Close();
          return 0;
        }
        break;
      case WM_CLOSE:
        Close();
        return 0;
      case WM_COMMAND:
        Command(LOWORD(wp), HIWORD(wp));
        return 0;
      case WM_NCDESTROY:
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        hwnd_ = nullptr;
        break;
      default:
        break;
    }
    return DefWindowProcW(hwnd_, msg, wp, lp);
  }

  HWND Control(const wchar_t* cls, const wchar_t* text, DWORD style, DWORD ex_style, int x, int y, int w, int h,
               int id, HGDIOBJ font) {
    HWND c = CreateWindowExW(ex_style, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, hwnd_,
                             reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ThisModule(), nullptr);
    SendMessageW(c, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return c;
  }

  void CreateControls() {
    HGDIOBJ gui = GetStockObject(DEFAULT_GUI_FONT);
    HGDIOBJ fixed = GetStockObject(ANSI_FIXED_FONT);
    Control(L"STATIC", kHeadingText, SS_LEFT | SS_NOPREFIX, 0, 12, 10, 396, 32, kHeading, gui);
    Control(L"STATIC", L"&Current Drive", SS_LEFT, 0, 12, 52, 96, 18, kCurrentDriveLabel, gui);
    current_ = Control(L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | ES_READONLY, WS_EX_CLIENTEDGE, 112, 49, 80, 22,
                       kCurrentDrive, gui);
    Control(L"STATIC", L"&Select Drive", SS_LEFT, 0, 12, 84, 96, 18, kSelectDriveLabel, gui);
    drives_ = Control(L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 112, 81, 296, 200,
                      kDriveList, gui);
    status_ = Control(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, WS_EX_STATICEDGE, 12, 114, 396, 116, kStatus, fixed);
    Control(L"BUTTON", L"&OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 236, 242, 82, 26, kOk, gui);
    Control(L"BUTTON", L"&Cancel", WS_TABSTOP | BS_PUSHBUTTON, 0, 326, 242, 82, 26, kCancel, gui);
  }

  void Command(int id, int code) {
    try {
      if (id == kOk && code == BN_CLICKED) {
        Ok();
      } else if (id == kCancel && code == BN_CLICKED) {
        Close();
      } else if (id == kDriveList && code == CBN_SELCHANGE) {
        DriveChanged();
      } else if (id == kCurrentDrive && code == EN_SETFOCUS) {
        SetStatus(DriveQuery(WindowText(current_).substr(0, 2)));
      }
    } catch (const Error& e) {
      ShowMessage(e.description(), kStopBox, LibraryTitle());
    } catch (const std::exception&) {
      ShowMessage(StdDescription(kErrOutOfMemory), kStopBox, LibraryTitle());
    }
  }

  void Load() {
    // Held above every other window, as the keep-on-top service places a client's form.
    KelzudWinOnTopA::PutOnTop(hwnd_);
    const std::wstring drive = WindowsDrive();
    SetWindowTextW(current_, (drive + L"\\").c_str());
    FillDrives(drive);
    try {
      SetStatus(DriveQuery(drive));
    } catch (const Error& e) {
      ShowMessage(e.description(), kStopBox, LibraryTitle());
    }
  }

  // Lists the drives again and selects `drive` ("C:") when it is among them.
  void FillDrives(const std::wstring& drive) {
    SendMessageW(drives_, CB_RESETCONTENT, 0, 0);
    const std::wstring list = Seam<Volumes>().LogicalDriveStrings();
    LRESULT select = 0;
    size_t i = 0;
    while (i < list.size()) {
      size_t e = list.find(L'\0', i);
      if (e == std::wstring::npos) e = list.size();
      const std::wstring root = list.substr(i, e - i);
      i = e + 1;
      if (root.size() < 2 || root[1] != L':') continue;
      LRESULT at = SendMessageW(drives_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DriveListText(root).c_str()));
      if (at >= 0 && drive.size() >= 2 && EqualNoCase(root.substr(0, 2), drive.substr(0, 2))) select = at;
    }
    SendMessageW(drives_, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
  }

  std::wstring SelectedDriveText() const { return WindowText(drives_); }

  void SetStatus(const std::wstring& text) { SetWindowTextW(status_, text.c_str()); }

  void DriveChanged() {
    const std::wstring drive = SelectedDriveText().substr(0, 2);
    SetStatus(drive);
    try {
      SetStatus(DriveQuery(drive));
    } catch (...) {
      // The label keeps the bare drive.
    }
  }

  void Ok() {
    const std::wstring drive = SelectedDriveText().substr(0, 2);
    if (ValidateDrive(drive)) {
      SetChosenDrive(UpperCase(drive));
      Close();
      return;
    }
    SetChosenDrive(UpperCase(WindowText(current_).substr(0, 2)));
    FillDrives(drive);
  }

  void Close() {
    if (done_) return;
    done_ = true;
    // The owner comes back before the form goes, so that activation returns to it.
    if (owner_) EnableWindow(owner_, TRUE);
    if (hwnd_) DestroyWindow(hwnd_);
    // A close inside a message sent from another thread leaves the loop waiting for a posted
    // one: wake it.
    PostThreadMessageW(GetCurrentThreadId(), WM_NULL, 0, 0);
  }

  HWND hwnd_ = nullptr, owner_ = nullptr, current_ = nullptr, drives_ = nullptr, status_ = nullptr;
  bool done_ = false;
};

}  // namespace

std::wstring ChosenDrive() {
  ChosenDriveState* s = PerThread<ChosenDriveState>::Peek();
  return s ? s->drive : std::wstring();
}

void ReleaseChosenDrive() { PerThread<ChosenDriveState>::Release(); }

std::wstring DriveTypeString(long type) {
  switch (type) {
    case 0: return L" UnknownType";
    case 1: return L"Removable";
    case 2: return L"Fixed";
    case 3: return L"Remote ";
    case 4: return L"CDRom";
    case 5: return L"RamDisk";
    default: return std::wstring();
  }
}

std::wstring DriveQuery(const std::wstring& drive) {
  const std::wstring d = drive.substr(0, 2);
  if (!DriveExists(d)) throw Error(kErrDeviceUnavailable);
  const DriveFacts f = QueryDrive(d);
  if (!f.ready) throw Error(kErrDiskNotReady);
  return L"DriveType  : " + DriveTypeString(f.type) + L"\r\n" + L"VolumeName : " + f.volume + L"\r\n" +
         L"ShareName  : " + f.share + L"\r\n" + L"FreeSpace  : " + Sizes(f.free) + L"\r\n" + L"TotalSize  : " +
         Sizes(f.total) + L"\r\n";
}

bool ValidateDrive(const std::wstring& drive) {
  const std::wstring d = drive.substr(0, 2);
  const DriveFacts f = QueryDrive(d);
  if (!DriveExists(d) || f.type == 0 || f.type == 4) {
    ShowMessage(L"Selected drive is not valid drive, please selected another drive", kInformationBox,
                L"Invalid Drive");
    return false;
  }
  // Free space in whole gigabytes; a drive that cannot be read has none.
  double free = f.ready ? f.free : 0;
  if (RoundedValue(SizeInGBText(free), 0) < 1) {
    ShowMessage(L"Selected drive should contains at least 1 GB free space, please selected another drive",
                kInformationBox, L"No Free Space");
    return false;
  }
  return true;
}

void ShowForm() {
  if (IsUnattended()) {
    // Nobody to choose: the form is noted and closes as on Cancel.
    LogUnattendedWindow(L"Form", kCaption, kHeadingText);
    return;
  }
  Form form;
  form.Run();
}

}  // namespace cusdrv
}  // namespace kz
