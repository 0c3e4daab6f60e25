// Folder customisation through Desktop.ini: icon, tooltip and background picture written to the
// folder's Desktop.ini, the file hidden and the folder marked read-only so that the shell reads
// it; a reset that removes those entries; and the small helpers the class offers publicly.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class FolderDesktopIni : public ComObject<FolderDesktopIni, _clsKelzudFolderDesktopINIA> {
  KZ_CLASS(clsKelzudFolderDesktopINIA)
 public:
  STDMETHODIMP ChangeFolderIcon(BSTR* sFolder, BSTR* sIconFile, BSTR* sIconIndex, BSTR* sInfoTip, BSTR* sBackPicFile,
                                VARIANT_BOOL* bReset, VARIANT* ret) override;
  STDMETHODIMP ReadINI(BSTR* sSection, BSTR* sKeyName, BSTR* sINIFileName, BSTR* ret) override;
  STDMETHODIMP WriteINI(BSTR* sSection, BSTR* sKeyName, BSTR* sValueData, BSTR* sINIFileName,
                        VARIANT_BOOL* ret) override;
  STDMETHODIMP BrowseFolder(long* hWnd, BSTR* szDialogTitle, BSTR* ret) override;
  STDMETHODIMP CheckIfFolderIsSystem(BSTR* FolderName, VARIANT_BOOL* ret) override;
  STDMETHODIMP setFolderRead(VARIANT* folderspec) override;
  STDMETHODIMP IsFolderExists(BSTR* FolderName, VARIANT_BOOL* ret) override;
  STDMETHODIMP FileAttribHide(BSTR* FileName) override;
  STDMETHODIMP bFileExists(BSTR* sFileName, VARIANT_BOOL* ret) override;

  // The same behaviour for the library's own code and the tests.
  // `reset`: 0 writes, -1 removes, anything else does nothing. A folder that is empty, holds a
  // NUL or is too long for the kernel, and entry text the file cannot hold, raise error 5
  // before anything is written; a write that fails raises the file system's error.
  void ChangeIcon(const std::wstring& folder, const std::wstring& icon_file, const std::wstring& icon_index,
                  const std::wstring& info_tip, const std::wstring& back_picture, short reset);
  // Reads and writes go through the guarded profile layer: a file the platform cannot name
  // reads empty, and text the file cannot hold is never written.
  static std::wstring Read(const std::wstring& section, const std::wstring& key, const std::wstring& file);
  // A null `value` deletes the key. False when nothing was written: the file cannot be named
  // or written (a full disk, a read-only file), or a text holds a NUL or a line break.
  static bool Write(const std::wstring& section, const std::wstring& key, const std::wstring* value,
                    const std::wstring& file);
  static bool FolderIsSystem(const std::wstring& folder);
  static void MakeFolderReadOnly(const std::wstring& folder);  // raises 76 for a missing folder
  static void HideFile(const std::wstring& file);
  static bool PlainFileExists(const std::wstring& name);
  // Val's reading of a number: the leading number of the text, 0 when there is none.
  static double LeadingNumber(const std::wstring& text);
};

}  // namespace kz
