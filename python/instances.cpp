#include "instances.h"

#include <structmember.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace gxrm::python {

py::object Steal(PyObject* made) {
  if (made == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::object>(made);
}

namespace {

// Where the slot `name` of `cls` lies in its objects.
Py_ssize_t SlotOffset(py::handle cls, const char* name) {
  py::object slot = cls.attr(name);
  if (!Py_IS_TYPE(slot.ptr(), &PyMemberDescr_Type)) throw std::logic_error("Instance fields must be slots");
  const PyMemberDef* member = reinterpret_cast<PyMemberDescrObject*>(slot.ptr())->d_member;
  if (member->type != T_OBJECT_EX || (member->flags & READONLY))
    throw std::logic_error("Instance fields must be writable object slots");
  return member->offset;
}

}  // namespace

InstanceMaker::InstanceMaker(py::handle cls) : cls_(reinterpret_cast<PyTypeObject*>(cls.ptr())) {
  static const char* const fields[] = {"type", "name", "id", "attributes", "geometry", "sections"};
  for (size_t i = 0; i < offsets_.size(); ++i) offsets_[i] = SlotOffset(cls, fields[i]);
}

py::object InstanceMaker::Make(py::handle type, std::string_view name, std::string_view id,
                               const RecordsText& text, size_t first, size_t last) const {
  py::object instance = Steal(cls_->tp_alloc(cls_, 0));
  auto [attributes, geometry, sections] = ListDicts<3>(text, first, last);
  py::object values[] = {py::reinterpret_borrow<py::object>(type),
                         Str(name),
                         Str(id),
                         std::move(attributes),
                         std::move(geometry),
                         std::move(sections)};
  char* base = reinterpret_cast<char*>(instance.ptr());
  for (size_t i = 0; i < offsets_.size(); ++i)
    *reinterpret_cast<PyObject**>(base + offsets_[i]) =
        values[i].release().ptr();  // empty slots: nothing to drop
  return instance;
}

namespace {

// Copies of texts in blocks that never move, so that views of them stay valid.
class TextCopies {
 public:
  std::string_view Copy(std::string_view text) {
    if (text.empty()) return {};
    if (text.size() > room_) {
      const size_t size = std::max(kBlockSize, text.size());
      blocks_.emplace_back(new char[size]);
      next_ = blocks_.back().get();
      room_ = size;
    }
    char* at = next_;
    std::memcpy(at, text.data(), text.size());
    next_ += text.size();
    room_ -= text.size();
    return {at, text.size()};
  }

 private:
  static constexpr size_t kBlockSize = 1 << 20;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  size_t room_ = 0;
};

// The instances of a model as copied text, and the place of the next one.
class InstanceStream {
 public:
  InstanceStream(const py::list& types, py::handle cls) : types_(types), maker_(cls) {}  // types: a copy

  void Add(const ComponentView& view) {
    if (view.FloorIndex() != floor_index_ || floors_.empty()) {
      floor_index_ = view.FloorIndex();
      floors_.push_back(view.Floor().empty() ? py::object(py::none()) : py::object(Str(view.Floor())));
    }
    if (static_cast<size_t>(view.Type()) >= types_.size()) throw py::index_error("no Type object for a type");
    view.ReadRecords(scratch_);
    const size_t base = text_.attributes.size();
    for (const AttributeText& a : scratch_.attributes)
      text_.attributes.push_back({copies_.Copy(a.name), copies_.Copy(a.value)});
    for (const RecordsText::Record& r : scratch_.records) text_.records.push_back({r.list, base + r.end});
    items_.push_back({view.Type(), floors_.size() - 1, copies_.Copy(view.Name()), copies_.Copy(view.Id()),
                      text_.records.size()});
  }

  // The next (floor, Instance), or null at the end.
  PyObject* Next() {
    if (next_ == items_.size()) return nullptr;
    const Item& item = items_[next_];
    py::object instance = maker_.Make(PyTuple_GET_ITEM(types_.ptr(), item.type), item.name, item.id, text_,
                                      first_record_, item.records_end);
    PyObject* pair = PyTuple_Pack(2, floors_[item.floor].ptr(), instance.ptr());
    if (pair == nullptr) throw py::error_already_set();
    first_record_ = item.records_end;
    ++next_;
    return pair;
  }

 private:
  struct Item {
    GXRM_objType_base::Type type;
    size_t floor;  // in floors_
    std::string_view name;
    std::string_view id;
    size_t records_end;  // one past its last record in text_
  };

  py::tuple types_;
  InstanceMaker maker_;
  std::vector<py::object> floors_;  // one per object list: None, or the floor's name
  int floor_index_ = 0;
  RecordsText scratch_;
  TextCopies copies_;
  RecordsText text_;
  std::vector<Item> items_;
  size_t next_ = 0;
  size_t first_record_ = 0;
};

// The Python object: a plain iterator type, so that each step costs no more
// than a call of tp_iternext.
struct IteratorObject {
  PyObject_HEAD InstanceStream* stream;
};

PyObject* IteratorNext(PyObject* self) {
  InstanceStream* stream = reinterpret_cast<IteratorObject*>(self)->stream;
  try {
    return stream->Next();
  } catch (py::error_already_set& error) {
    error.restore();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& error) {
    PyErr_SetString(PyExc_RuntimeError, error.what());
  }
  return nullptr;
}

void IteratorDealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  delete reinterpret_cast<IteratorObject*>(self)->stream;
  type->tp_free(self);
  Py_DECREF(type);  // instances of a heap type hold their type
}

PyTypeObject* IteratorType() {
  static PyType_Slot slots[] = {{Py_tp_iter, reinterpret_cast<void*>(PyObject_SelfIter)},
                                {Py_tp_iternext, reinterpret_cast<void*>(IteratorNext)},
                                {Py_tp_dealloc, reinterpret_cast<void*>(IteratorDealloc)},
                                {0, nullptr}};
  static PyType_Spec spec = {"gxrm._gxrm.InstanceIterator", sizeof(IteratorObject), 0,
                             Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
  static PyObject* type = nullptr;  // made once, lives with the interpreter
  if (type == nullptr && (type = PyType_FromSpec(&spec)) == nullptr) throw py::error_already_set();
  return reinterpret_cast<PyTypeObject*>(type);
}

}  // namespace

py::object IterateInstances(const Model& model, const py::list& types, py::handle cls) {
  auto stream = std::make_unique<InstanceStream>(types, cls);
  model.Visit("", [&](const ComponentView& view) {
    if (!view.IsType()) stream->Add(view);
  });
  PyTypeObject* type = IteratorType();
  py::object iterator = Steal(type->tp_alloc(type, 0));
  reinterpret_cast<IteratorObject*>(iterator.ptr())->stream = stream.release();
  return iterator;
}

}  // namespace gxrm::python
