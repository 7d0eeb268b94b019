// _gxrm: the compiled half of the gxrm package.
//
// The library's DomError becomes gxrm.DomError (defined in Python, with its
// code) and the model's errors their Python forms; everything else is bound
// by the catalogue, model and writer parts.
#include <pybind11/pybind11.h>

#include "bindings.h"
#include "core/GXRMerror.h"
#include "format/GXRMformat.h"
#include "model/GXRMmodel.h"

namespace py = pybind11;

namespace {

void Raise(const py::handle& cls, const py::object& instance) { PyErr_SetObject(cls.ptr(), instance.ptr()); }

void RaiseNamed(const char* name, const char* message) {
  py::object cls = py::module_::import("gxrm._errors").attr(name);
  Raise(cls, cls(message));
}

void TranslateErrors(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const gxrm::DomError& e) {
    py::object cls = py::module_::import("gxrm._errors").attr("DomError");
    Raise(cls, cls(e.what(), e.Error()));
  } catch (const gxrm::UnknownFloorError& e) {
    PyErr_SetString(PyExc_KeyError, e.what());
  } catch (const gxrm::FloorExistsError& e) {
    PyErr_SetString(PyExc_ValueError, e.what());
  } catch (const gxrm::QueryError& e) {
    RaiseNamed("QueryError", e.what());
  } catch (const gxrm::FormatError& e) {
    RaiseNamed("FormatError", e.what());
  } catch (const gxrm::ModelError& e) {
    RaiseNamed("Error", e.what());
  }
}

}  // namespace

PYBIND11_MODULE(_gxrm, m) {
  m.doc() = "Compiled core of the gxrm package";
  m.attr("__version__") = GXRM_VERSION;
  py::register_exception_translator(&TranslateErrors);
  // Names the Python side needs, from the one place that defines them.
  namespace format = gxrm::format;
  m.attr("FLOOR_KEY") = format::kAttFloorKey;
  m.attr("INSTANCE") = format::kInstance;
  m.attr("INSTANCE_LISTS") = py::make_tuple(format::kObjAtt, format::kObjGeoAtt, format::kObjSection);
  gxrm::python::BindCatalogue(m);
  gxrm::python::BindModel(m);
  gxrm::python::BindWriter(m);
}
