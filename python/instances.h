// Components' records as Python objects, made straight from a model's text:
// reading whole models is what scripts do most, so this is the package's
// hot path.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "convert.h"
#include "model/GXRMmodel.h"

namespace gxrm::python {

// A new reference from the C API; the Python error when there is none.
py::object Steal(PyObject* made);

// The str objects of the last record read at each place (list, attribute
// position). The records of one list mostly repeat their names and many of
// their values place by place, so that comparing with the last text finds
// them without hashing; the rest come from the shared caches. A place whose
// values the shared cache keeps missing (ids, coordinates) stops looking
// there for longer and longer, until its attribute changes: looking costs
// more than making the str.
class RecordStrs {
 public:
  // Sets dict[name] = value for the attribute at `position` of a record of `list`.
  void Set(PyObject* dict, int list, size_t position, const AttributeText& attribute) {
    if (position >= kPlaces || list < 0 || static_cast<size_t>(list) >= kLists)
      return SetCached(dict, attribute.name, attribute.value);
    places_[list][position].Set(dict, attribute);
  }

 private:
  static constexpr size_t kLists = 4;
  static constexpr size_t kPlaces = 16;

  class Place {
   public:
    void Set(PyObject* dict, const AttributeText& attribute) {
      if (!name_ || attribute.name != name_utf8_) {
        name_ = CachedName(attribute.name);
        name_utf8_.assign(attribute.name);
        misses_ = skipped_ = 0;  // another attribute, whose values may well repeat
        skip_ = kFirstSkip;
      }
      if (!value_ || attribute.value != value_utf8_) {
        value_ = NewValue(attribute.value);
        value_utf8_.assign(attribute.value);
      }
      if (PyDict_SetItem(dict, name_.ptr(), value_.ptr()) != 0) throw py::error_already_set();
    }

   private:
    static constexpr int kMissesBeforeSkipping = 8;
    static constexpr int kFirstSkip = 64;
    static constexpr int kLongestSkip = 1 << 16;

    py::object NewValue(std::string_view text) {
      if (skipped_ > 0) {
        --skipped_;
        return Str(text);
      }
      bool found = false;
      py::object value = CachedValue(text, &found);
      if (found) {
        misses_ = 0;
        skip_ = kFirstSkip;
      } else if (++misses_ >= kMissesBeforeSkipping) {  // after a skip, one miss is enough
        skipped_ = skip_;
        skip_ = std::min(2 * skip_, kLongestSkip);
      }
      return value;
    }

    std::string name_utf8_;
    py::object name_;
    std::string value_utf8_;
    py::object value_;
    int misses_ = 0;         // of the shared cache in a row
    int skipped_ = 0;        // values still to make without it
    int skip_ = kFirstSkip;  // how many the next skip makes
  };
  std::array<std::array<Place, kPlaces>, kLists> places_;
};

// One list of dicts per list of a component (N of them, in the writer's
// order), one dict per record: the records [first, last) of `text`.
template <size_t N>
std::array<py::object, N> ListDicts(const RecordsText& text, size_t first, size_t last, RecordStrs& strs) {
  std::array<Py_ssize_t, N> sizes{};
  for (size_t r = first; r < last; ++r) ++sizes.at(static_cast<size_t>(text.records[r].list));
  std::array<py::object, N> lists;
  for (size_t i = 0; i < N; ++i) lists[i] = Steal(PyList_New(sizes[i]));
  sizes.fill(0);
  size_t attribute = first > 0 ? text.records[first - 1].end : 0;
  for (size_t r = first; r < last; ++r) {
    const RecordsText::Record& record = text.records[r];
    PyObject* dict = Steal(PyDict_New()).release().ptr();
    PyList_SET_ITEM(lists[record.list].ptr(), sizes[record.list]++, dict);  // the list owns it from here
    for (size_t position = 0; attribute < record.end; ++attribute, ++position)
      strs.Set(dict, record.list, position, text.attributes[attribute]);
  }
  return lists;
}

// Makes Instances (the Python class `cls`), their fields written straight
// into their slots: the constructor's checks and copies are for values from
// users, and setting the fields one by one by name would double the cost of
// reading a large model.
class InstanceMaker {
 public:
  explicit InstanceMaker(py::handle cls);
  // An Instance of that type object, name and id, whose records are
  // [first, last) of `text`.
  py::object Make(py::handle type, std::string_view name, std::string_view id, const RecordsText& text,
                  size_t first, size_t last, RecordStrs& strs) const;

 private:
  PyTypeObject* cls_;
  std::array<Py_ssize_t, 6> offsets_;  // of type, name, id, attributes, geometry, sections
};

// An iterator over (floor name or None, Instance) for every instance of the
// model: the global list first, then each floor in file order. It copies
// their text now and makes each Python object when asked for it, so that
// later edits of the model change nothing it gives, and a loop that drops
// each instance keeps memory small. `types` are the Type objects by value.
py::object IterateInstances(const Model& model, const py::list& types, py::handle cls);

}  // namespace gxrm::python
