#include "instances.h"

#include <structmember.h>

#include <algorithm>
#include <cstdint>
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
                               const RecordsText& text, size_t first, size_t last, RecordStrs& strs) const {
  py::object instance = Steal(cls_->tp_alloc(cls_, 0));
  auto [attributes, geometry, sections] = ListDicts<3>(text, first, last, strs);
  py::object values[] = {py::reinterpret_borrow<py::object>(type),
                         Str(name),
                         Str(id),
                         std::move(attributes),
                         std::move(geometry),
                         std::move(sections)};
  // A new object's slots are empty: nothing to drop.
  char* base = reinterpret_cast<char*>(instance.ptr());
  for (size_t i = 0; i < offsets_.size(); ++i)
    *reinterpret_cast<PyObject**>(base + offsets_[i]) = values[i].release().ptr();
  return instance;
}

namespace {

// Instances as compact copies of their text, read back one by one. Per
// instance: a head, its name and id, then per record its list, its number
// of attributes and their names and values. Each text comes after its
// length: one byte, or 0xFF and four bytes for long text. An instance never
// spans two blocks, and a block goes once it has been read.
class CopiedInstances {
 public:
  struct Head {
    uint32_t type;
    uint32_t floor;  // the place of its floor among the stream's floors
    uint32_t records;
  };

  void Add(const Head& head, std::string_view name, std::string_view id, const RecordsText& text) {
    size_t size = sizeof head + TextSize(name) + TextSize(id) + text.records.size() * (1 + sizeof(uint32_t));
    for (const AttributeText& a : text.attributes) size += TextSize(a.name) + TextSize(a.value);
    char* at = Put(Room(size), &head, sizeof head);
    at = PutText(PutText(at, name), id);
    size_t attribute = 0;
    for (const RecordsText::Record& record : text.records) {
      *at++ = static_cast<char>(record.list);
      const auto count = static_cast<uint32_t>(record.end - attribute);
      at = Put(at, &count, sizeof count);
      for (; attribute < record.end; ++attribute)
        at = PutText(PutText(at, text.attributes[attribute].name), text.attributes[attribute].value);
    }
  }

  // The next instance: its head, name and id, and its records into `text`
  // (views valid until the next call); false after the last.
  bool Next(Head& head, std::string_view& name, std::string_view& id, RecordsText& text) {
    while (read_ < blocks_.size() && read_at_ == blocks_[read_].used) {
      blocks_[read_++].bytes.reset();
      read_at_ = 0;
    }
    if (read_ == blocks_.size()) return false;
    const char* at = Get(blocks_[read_].bytes.get() + read_at_, &head, sizeof head);
    at = GetText(GetText(at, name), id);
    text.records.clear();
    text.attributes.clear();
    for (uint32_t r = 0; r < head.records; ++r) {
      const int list = static_cast<unsigned char>(*at++);
      uint32_t count = 0;
      at = Get(at, &count, sizeof count);
      for (uint32_t a = 0; a < count; ++a) {
        AttributeText& attribute = text.attributes.emplace_back();
        at = GetText(GetText(at, attribute.name), attribute.value);
      }
      text.records.push_back({list, text.attributes.size()});
    }
    read_at_ = static_cast<size_t>(at - blocks_[read_].bytes.get());
    return true;
  }

 private:
  static constexpr size_t kBlockSize = 1 << 20;
  struct Block {
    std::unique_ptr<char[]> bytes;
    size_t size;
    size_t used;
  };

  // `size` bytes at the end of the last block, or of a new one.
  char* Room(size_t size) {
    if (blocks_.empty() || blocks_.back().size - blocks_.back().used < size) {
      const size_t block = std::max(kBlockSize, size);
      blocks_.push_back({std::unique_ptr<char[]>(new char[block]), block, 0});
    }
    Block& last = blocks_.back();
    last.used += size;
    return last.bytes.get() + last.used - size;
  }
  static char* Put(char* at, const void* value, size_t size) {
    if (size > 0) std::memcpy(at, value, size);
    return at + size;
  }
  static constexpr unsigned char kLongText = 0xFF;
  static size_t TextSize(std::string_view text) {
    return text.size() + (text.size() < kLongText ? 1 : 1 + sizeof(uint32_t));
  }
  static char* PutText(char* at, std::string_view text) {
    if (text.size() < kLongText) {
      *at++ = static_cast<char>(text.size());
    } else {
      if (text.size() > UINT32_MAX) throw std::length_error("an attribute of more than 4 GiB");
      *at++ = static_cast<char>(kLongText);
      const auto size = static_cast<uint32_t>(text.size());
      at = Put(at, &size, sizeof size);
    }
    return Put(at, text.data(), text.size());
  }
  static const char* Get(const char* at, void* value, size_t size) {
    std::memcpy(value, at, size);
    return at + size;
  }
  static const char* GetText(const char* at, std::string_view& text) {
    uint32_t size = static_cast<unsigned char>(*at++);
    if (size == kLongText) at = Get(at, &size, sizeof size);
    text = std::string_view(at, size);
    return at + size;
  }

  std::vector<Block> blocks_;
  size_t read_ = 0;     // the block being read
  size_t read_at_ = 0;  // and the place in it
};

// The instances of a model, copied, made into Python objects one by one.
class InstanceStream {
 public:
  InstanceStream(const py::list& types, py::handle cls) : types_(types), maker_(cls) {}  // types: a copy

  void Add(const ComponentView& view) {
    if (view.FloorIndex() != floor_index_ || floors_.empty()) {
      floor_index_ = view.FloorIndex();
      floors_.push_back(view.Floor().empty() ? py::object(py::none()) : py::object(Str(view.Floor())));
    }
    if (static_cast<size_t>(view.Type()) >= types_.size()) throw py::index_error("no Type object for a type");
    view.ReadRecords(text_);
    const CopiedInstances::Head head{static_cast<uint32_t>(view.Type()),
                                     static_cast<uint32_t>(floors_.size() - 1),
                                     static_cast<uint32_t>(text_.records.size())};
    copies_.Add(head, view.Name(), view.Id(), text_);
  }

  // The next (floor, Instance), or null at the end.
  PyObject* Next() {
    CopiedInstances::Head head{};
    std::string_view name;
    std::string_view id;
    if (!copies_.Next(head, name, id, text_)) return nullptr;
    py::object instance = maker_.Make(PyTuple_GET_ITEM(types_.ptr(), head.type), name, id, text_, 0,
                                      text_.records.size(), strs_);
    PyObject* pair = PyTuple_Pack(2, floors_[head.floor].ptr(), instance.ptr());
    if (pair == nullptr) throw py::error_already_set();
    return pair;
  }

 private:
  py::tuple types_;
  InstanceMaker maker_;
  RecordStrs strs_;
  std::vector<py::object> floors_;  // one per object list: None, or the floor's name
  int floor_index_ = 0;
  CopiedInstances copies_;
  RecordsText text_;  // one component's records, while it is copied or made
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
  static PyType_Spec shape = {"gxrm._gxrm.InstanceIterator", sizeof(IteratorObject), 0,
                              Py_TPFLAGS_DEFAULT | Py_TPFLAGS_DISALLOW_INSTANTIATION, slots};
  static PyObject* type = nullptr;  // made once, lives with the interpreter
  if (type == nullptr && (type = PyType_FromSpec(&shape)) == nullptr) throw py::error_already_set();
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
