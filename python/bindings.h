// The parts of the _gxrm module, each bound in its own file.
#pragma once

#include <pybind11/pybind11.h>

namespace gxrm::python {

void BindCatalogue(pybind11::module_& module);
void BindModel(pybind11::module_& module);
void BindWriter(pybind11::module_& module);

}  // namespace gxrm::python
