// CPelorusPropPage as an object of the module: the property page behind IPropertyPage.
#pragma once

#include "com_object.h"

namespace pelorus::control {

class PropPageObject : public RefCounted {
 public:
  static HRESULT create(const IID* iid, void** object);
  HRESULT query_interface(const IID* iid, void** object);

 private:
  PropPageObject();

  Face<IPropertyPage, PropPageObject> page_;
};

}  // namespace pelorus::control
