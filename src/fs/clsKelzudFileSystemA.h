// The file-system utility class: path and name functions, attribute text, the file and drive
// information records, temporary names, drive, file, folder, disk-space and process queries,
// file operations with the replace question, tree deletion and creation, content search, file
// and folder lists, totals with progress events, and the folder picker.
#pragma once
#include <string>
#include <vector>

#include "frame/kz.h"
#include "com/comobject.h"
#include "com/events.h"
#include "com/ptr.h"
#include "com/variant.h"
#include "fs/fspaths.h"

namespace kz {

class Collection;

class FileSystem : public ComObject<FileSystem, _clsKelzudFileSystemA> {
  KZ_CLASS(clsKelzudFileSystemA)
 public:
  FileSystem();
  ~FileSystem() override;

  // Automation interface.
  STDMETHODIMP Get_Extension(BSTR strFilename, BSTR* ret) override;
  STDMETHODIMP Get_Filename(BSTR strFilename, BSTR* ret) override;
  STDMETHODIMP Get_Path(BSTR strFilename, BSTR* ret) override;
  STDMETHODIMP Add_Trailing_Slash(BSTR strPath, BSTR* ret) override;
  STDMETHODIMP Remove_Trailing_Slash(BSTR strPath, BSTR* ret) override;
  STDMETHODIMP Remove_Nulls(BSTR* strInput, BSTR* ret) override;
  STDMETHODIMP Shrink_2_Fit(BSTR strPath_to_Resize, short* intMaxLen, BSTR* ret) override;
  STDMETHODIMP Attribute_String(long lngValue, BSTR* ret) override;
  STDMETHODIMP Rnd2(float* sngLow, float* sngHigh, float* ret) override;
  STDMETHODIMP Create_Tmp_Name(short* intLength, BSTR* ret) override;
  STDMETHODIMP Create_Tmp_Filename(BSTR* strTmpFolder, BSTR* ret) override;
  STDMETHODIMP Create_Tmp_Folder(BSTR* ret) override;
  STDMETHODIMP Get_FileInfo(BSTR* strFilename, VARIANT_BOOL* ret) override;
  STDMETHODIMP get_Count(double* ret) override;
  STDMETHODIMP put_Count(double rhs) override;
  STDMETHODIMP get_CancelProcessing(VARIANT_BOOL* ret) override;
  STDMETHODIMP put_CancelProcessing(VARIANT_BOOL rhs) override;
  STDMETHODIMP IsDriveReady(BSTR strDrive, VARIANT_BOOL* ret) override;
  STDMETHODIMP Drive_Exist(BSTR strSearchData, long* lngDriveType, VARIANT_BOOL* ret) override;
  STDMETHODIMP File_Exist(BSTR* strSearchItem, VARIANT_BOOL* ret) override;
  STDMETHODIMP Folder_Exist(BSTR strFolder, VARIANT_BOOL* ret) override;
  STDMETHODIMP FileExists(BSTR* sSource, VARIANT_BOOL* ret) override;
  STDMETHODIMP Available_Drives(VARIANT* ret) override;
  STDMETHODIMP IsThisRestricted(BSTR* strPath, VARIANT_BOOL* ret) override;
  STDMETHODIMP Get_Version(BSTR strFilename, BSTR* ret) override;
  STDMETHODIMP Get_Disk_Space(BSTR strPath, double* dblTotalSpace, double* dblFreeSpace, double* dblUsedSpace,
                              VARIANT_BOOL* ret) override;
  STDMETHODIMP IsExeRunning(BSTR* sEXEName, _KzCollection** colEXECollection, long* lEXECount,
                            VARIANT_BOOL* ret) override;
  STDMETHODIMP get_DIObject(IDispatch** ret) override;
  STDMETHODIMP putref_DIObject(IDispatch* rhs) override;
  STDMETHODIMP Move_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* ret) override;
  STDMETHODIMP Copy_File(BSTR* strSource, BSTR* strTarget, VARIANT_BOOL* ret) override;
  STDMETHODIMP DelTree32(BSTR* strPath, VARIANT_BOOL* ret) override;
  STDMETHODIMP Create_Dir_Struct(BSTR strPath, VARIANT_BOOL* ret) override;
  STDMETHODIMP TextSearch(BSTR* strPath, BSTR* strText, VARIANT* ret) override;
  STDMETHODIMP Get_FileList(BSTR strFolder, VARIANT_BOOL blnSearchSubfolders, BSTR strPattern, VARIANT* ret) override;
  STDMETHODIMP Get_DirList(BSTR strPath, BSTR* ret) override;
  STDMETHODIMP Get_Totals(BSTR strPath, short intDataType, BSTR strPattern, VARIANT_BOOL blnSearchSubfolders,
                          BSTR* ret) override;
  STDMETHODIMP BrowseForFolder(IDispatch* frm, BSTR strPrompt, BSTR* ret) override;

  // The same behaviour for the library's own code and the tests.

  // The file information record, field by field.
  struct FileRecord {
    std::wstring drive, path, parent_folder, size, type, extension, date_last_accessed, date_last_modified,
        date_created, attributes;
  };
  // The drive information record, field by field.
  struct DriveRecord {
    std::wstring drive_letter, share_name, path, root_folder, serial_number, volume_name, total_size,
        available_space, free_space, drive_type, file_system, is_ready;
  };

  static std::wstring AddTrailingSlash(const std::wstring& path);
  static std::wstring RemoveTrailingSlash(const std::wstring& path);
  static std::wstring Shrink(const std::wstring& path, short max_len);
  static std::wstring AttributeText(long value);
  float Random(float low, float high);
  std::wstring TmpName(short length);
  std::wstring TmpFilename(std::wstring& folder);
  std::wstring TmpFolder();
  bool FileInfo(const std::wstring& name);
  const FileRecord& Record();
  const DriveRecord& Drive() const { return drive_; }

  bool DriveReady(const std::wstring& drive);
  bool DriveExist(const std::wstring& search, long& drive_type);
  bool FileExist(const std::wstring& item);
  bool FolderExist(const std::wstring& folder);
  bool FindAny(const std::wstring& pattern);
  std::vector<std::wstring> AvailableDrives();
  bool Restricted(const std::wstring& path);
  std::wstring Version(const std::wstring& file);
  bool DiskSpace(const std::wstring& path, double& total, double& free, double& used);
  bool ExeRunning(const std::wstring& name, Ptr<Collection>* names, long* count);

  bool MoveOne(const std::wstring& source, const std::wstring& target);
  bool CopyOne(const std::wstring& source, const std::wstring& target);
  bool DelTree(const std::wstring& path);
  bool CreateDirStruct(const std::wstring& path);
  std::vector<std::wstring> Search(const std::wstring& folder, const std::wstring& text);
  Var FileList(const std::wstring& folder, bool subfolders, const std::wstring& pattern);
  std::wstring DirList(const std::wstring& path);
  std::wstring Totals(const std::wstring& path, short data_type, const std::wstring& pattern, bool subfolders);
  std::wstring Browse(IDispatch* owner, const std::wstring& prompt);

  double count() const { return count_; }
  void set_count(double c) { count_ = c; }
  bool cancel() const { return cancel_; }
  void set_cancel(bool c) { cancel_ = c; }

 protected:
  void* QueryExtra(REFIID riid) override { return events_.Query(riid); }

 private:
  struct Filter {
    bool active = false;
    std::wstring extension;  // lower case
  };
  // One folder of Get_FileList: appends to `out` (and, when collecting, the files' facts to
  // `files`); true when anything was appended or any subfolder walked.
  bool ListFolder(const std::wstring& folder, bool subfolders, const Filter& filter, std::wstring& out,
                  std::vector<fsx::FileFacts>* files);
  Var ListFiles(const std::wstring& folder, bool subfolders, const std::wstring& pattern,
                std::vector<fsx::FileFacts>* files);
  bool Transfer(const std::wstring& source, const std::wstring& target, bool move);
  void DelTreePattern(const std::wstring& path);
  void SetRecord(const fsx::FileFacts& facts);
  void ClearRecords();

  EventSource events_;
  bool cancel_ = false;
  Ptr<IDispatch> di_object_;
  FileRecord record_;
  fsx::FileFacts pending_;      // facts of the last file Get_Totals counted, not yet written out
  bool record_pending_ = false;
  DriveRecord drive_;
  double count_ = 0;
};

}  // namespace kz
