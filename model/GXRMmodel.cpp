// GXRMmodel.cpp: loading, finding and saving a model.
#include "model/GXRMmodel.h"

#include "core/GXRMdomLoadImpl.h"
#include "model/GXRMmodelImpl.h"

namespace gxrm {

namespace {

std::string LoadMessage(const std::string& path, const dom::ParseError& error) {
  std::string where =
      error.line > 0 ? ", line " + std::to_string(error.line) + ", column " + std::to_string(error.linepos)
                     : std::string();
  return "cannot load '" + path + "'" + where + ": " + error.reason;
}

bool IsGxrmRoot(pugi::xml_node root) {
  return root && std::strncmp(root.name(), format::kRootPrefix, std::strlen(format::kRootPrefix)) == 0;
}

// The document `load` fills, once its root is a GXRM root.
template <typename LoadInto>
std::shared_ptr<ModelState> Loaded(const std::string& name, LoadInto&& load) {
  auto state = std::make_shared<ModelState>();
  state->doc = dom::Document::create();
  if (!load(state->doc)) throw LoadError(name, state->doc.parseError());
  pugi::xml_node root = state->Root();
  if (!IsGxrmRoot(root)) {
    throw FormatError("'" + name + "' is no GXRM model: its root element is <" + std::string(root.name()) +
                          ">, not <" + format::kRootPrefix + "...>",
                      root.name());
  }
  return state;
}

dom::detail::LoadOptions DomOptions(const ModelLoadOptions& options) {
  dom::detail::LoadOptions dom_options;
  dom_options.keep_blank_text = options.keep_layout;
  dom_options.one_thread = options.one_thread;
  return dom_options;
}

}  // namespace

LoadError::LoadError(std::string path, dom::ParseError error)
    : ModelError(LoadMessage(path, error)), path_(std::move(path)), error_(std::move(error)) {}

CGXRMfileParser& ModelState::Parser() {
  if (!builder_) builder_ = std::make_unique<Builder>(doc);
  return *builder_;
}

Model::Model(std::shared_ptr<ModelState> state) : state_(std::move(state)) {}

Model Model::Load(const std::string& path, const ModelLoadOptions& options) {
  return Model(Loaded(
      path, [&](dom::Document& doc) { return dom::detail::LoadFile(doc, path, DomOptions(options)); }));
}

Model Model::Parse(std::string_view bytes, const std::string& name, const ModelLoadOptions& options) {
  return Model(Loaded(
      name, [&](dom::Document& doc) { return dom::detail::LoadText(doc, bytes, DomOptions(options)); }));
}

std::string Model::Version() const {
  std::string_view name = state_->Root().name();
  size_t underscore = name.find('_');
  if (underscore == std::string_view::npos || underscore + 2 > name.size()) return {};
  return std::string(name.substr(underscore + 2));
}

std::vector<std::string> Model::Floors() const {
  std::vector<std::string> floors;
  for (pugi::xml_node c = state_->Root().first_child(); c; c = c.next_sibling()) {
    if (model::Is(c, format::kFloor)) floors.emplace_back(c.attribute(format::kAttFloorName).value());
  }
  return floors;
}

std::vector<Component> Model::Select(const std::string& query) const {
  std::vector<Component> found;
  model::Walk(state_->Root(), model::Query(query), [&](pugi::xml_node element, auto&&...) {
    found.push_back(Component(state_, state_->Handle(element)));
  });
  return found;
}

void Model::Visit(const std::string& query, const std::function<void(const ComponentView&)>& visit) const {
  model::Walk(state_->Root(), model::Query(query),
              [&](pugi::xml_node element, const std::string& floor, int floor_index,
                  GXRM_objType_base::Type type, bool is_type) {
                visit(ComponentView(*state_, element.internal_object(), floor, floor_index, type, is_type));
              });
}

std::vector<Component> Model::ById(const std::string& id) const {
  std::vector<Component> found;
  model::Walk(state_->Root(), model::Query::ForId(id), [&](pugi::xml_node element, auto&&...) {
    found.push_back(Component(state_, state_->Handle(element)));
  });
  return found;
}

void Model::Save(const std::string& path) const { state_->doc.save(path); }

std::string Model::ToString() const { return state_->doc.xml(); }

dom::Document Model::Document() const { return state_->doc; }

}  // namespace gxrm
