// File-type associations in the class registry: an extension linked to a type with its
// description, icon and open command, and further verbs for a type; an empty icon becomes the first icon of the application file.
#pragma once
#include <string>

#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class FileAssociation : public ComObject<FileAssociation, _clsKelzudFileAssociationA> {
  KZ_CLASS(clsKelzudFileAssociationA)
 public:
  STDMETHODIMP Associate_File(BSTR* Extension, BSTR* Application, BSTR* Identifier, BSTR* Description, BSTR* Icon,
                              VARIANT* ret) override;
  STDMETHODIMP File_Command(BSTR* Extension, BSTR* Action, BSTR* Command, VARIANT* ret) override;

  // Associate_File for the library's own callers: the by-reference changes land in the arguments.
  void Associate(const std::wstring& extension, const std::wstring& application, std::wstring& identifier,
                 const std::wstring& description, std::wstring& icon);
};

}  // namespace kz
