// The control as an object of the module: CPelorusCtrl behind IDispatch, IPersistPropertyBag,
// IViewObject and ISpecifyPropertyPages.
#pragma once

#include "com_object.h"
#include "pelorus_ctrl.h"

namespace pelorus::control {

class ControlObject : public RefCounted {
 public:
  // Creates a control and gives its interface iid.
  static HRESULT create(const IID* iid, void** object);

  HRESULT query_interface(const IID* iid, void** object);
  CPelorusCtrl& control() { return control_; }

 private:
  ControlObject();

  CPelorusCtrl control_;
  Face<IDispatch, ControlObject> dispatch_;
  Face<IPersistPropertyBag, ControlObject> persist_;
  Face<IViewObject, ControlObject> view_;
  Face<ISpecifyPropertyPages, ControlObject> pages_;
};

}  // namespace pelorus::control
