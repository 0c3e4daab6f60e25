// File-type associations in the class registry: an extension linked to a type with its
// description, icon and open command, and further verbs for a type; an empty icon is written as it is.
#pragma once
#include "frame/kz.h"
#include "com/comobject.h"

namespace kz {

class FileExtensions : public ComObject<FileExtensions, _clsKelzudFileExtensionsA> {
  KZ_CLASS(clsKelzudFileExtensionsA)
 public:
  STDMETHODIMP Associate_File(BSTR* Extension, BSTR* Application, BSTR* Identifier, BSTR* Description, BSTR* Icon,
                              VARIANT* ret) override;
  STDMETHODIMP File_Command(BSTR* Extension, BSTR* Action, BSTR* Command, VARIANT* ret) override;
};

}  // namespace kz
