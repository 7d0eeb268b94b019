// _gxrm: the compiled half of the gxrm package.
//
// The library's DomError becomes gxrm.DomError (defined in Python, with its
// code); everything else is bound by the catalogue, model and writer parts.
#include <pybind11/pybind11.h>

#include "bindings.h"
#include "core/GXRMerror.h"
#include "format/GXRMformat.h"

namespace py = pybind11;

namespace {

void TranslateDomError(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const gxrm::DomError& e) {
    py::object cls = py::module_::import("gxrm._errors").attr("DomError");
    py::object instance = cls(e.what(), e.Error());
    PyErr_SetObject(cls.ptr(), instance.ptr());
  }
}

}  // namespace

PYBIND11_MODULE(_gxrm, m) {
  m.doc() = "Compiled core of the gxrm package";
  m.attr("__version__") = GXRM_VERSION;
  py::register_exception_translator(&TranslateDomError);
  // Names the Python side needs, from the one place that defines them.
  namespace format = gxrm::format;
  m.attr("FLOOR_KEY") = format::kAttFloorKey;
  m.attr("INSTANCE") = format::kInstance;
  m.attr("INSTANCE_LISTS") = py::make_tuple(format::kObjAtt, format::kObjGeoAtt, format::kObjSection);
  gxrm::python::BindCatalogue(m);
  gxrm::python::BindModel(m);
  gxrm::python::BindWriter(m);
}
