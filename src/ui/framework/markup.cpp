#include "ui/framework/markup.h"

#include <pugixml.hpp>

#include <cwctype>

#include "platform/utf.h"

namespace ui {
namespace {

constexpr int kMaxDepth = 64;
constexpr int kMaxElements = 20000;

std::wstring W(const char* utf8) { return platform::Utf8ToWide(utf8 ? utf8 : ""); }

bool NameIs(const std::wstring& a, const wchar_t* b) {
  std::wstring_view bv(b);
  if (a.size() != bv.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(bv[i]))) return false;
  }
  return true;
}

struct Builder {
  PaintManager& manager;
  const ControlFactory& factory;
  int elements = 0;
  bool overLimit = false;

  std::unique_ptr<Control> Build(const pugi::xml_node& node, int depth) {
    if (depth > kMaxDepth || ++elements > kMaxElements) {
      overLimit = true;
      return nullptr;
    }
    std::wstring cls = W(node.name());
    std::unique_ptr<Control> control = CreateStandardControl(cls);
    if (!control && factory) control = factory(cls);
    if (!control) return nullptr;
    for (auto attr : node.attributes()) {
      std::wstring name = W(attr.name()), value = W(attr.value());
      control->NoteLayoutAttribute(name, value);
      control->SetAttribute(name, value);
    }
    auto* combo = static_cast<Combo*>(control->GetInterface(L"Combo"));
    auto* container = static_cast<Container*>(control->GetInterface(L"Container"));
    for (auto child : node.children()) {
      if (child.type() != pugi::node_element) continue;
      if (combo) {
        // Items of a combo box: any element with a "text" attribute.
        ++elements;
        combo->AddItem(W(child.attribute("text").value()));
        continue;
      }
      if (!container) continue;
      auto built = Build(child, depth + 1);
      if (overLimit) return nullptr;
      if (built) container->Add(std::move(built));
    }
    return control;
  }
};

}  // namespace

std::unique_ptr<Control> CreateStandardControl(const std::wstring& cls) {
  if (NameIs(cls, L"Control")) return std::make_unique<Control>();
  if (NameIs(cls, L"Container")) return std::make_unique<Container>();
  if (NameIs(cls, L"VerticalLayout")) return std::make_unique<VerticalLayout>();
  if (NameIs(cls, L"HorizontalLayout")) return std::make_unique<HorizontalLayout>();
  if (NameIs(cls, L"TabLayout")) return std::make_unique<TabLayout>();
  if (NameIs(cls, L"Label") || NameIs(cls, L"Text")) return std::make_unique<Label>();
  if (NameIs(cls, L"Button")) return std::make_unique<Button>();
  if (NameIs(cls, L"CheckBox") || NameIs(cls, L"Option")) return std::make_unique<CheckBox>();
  if (NameIs(cls, L"Edit")) return std::make_unique<Edit>();
  if (NameIs(cls, L"Progress")) return std::make_unique<Progress>();
  if (NameIs(cls, L"Combo")) return std::make_unique<Combo>();
  return nullptr;
}

std::unique_ptr<Control> BuildLayout(const std::string& xml, PaintManager& manager, const ControlFactory& factory) {
  if (xml.empty() || xml.size() > 4u * 1024 * 1024) return nullptr;
  pugi::xml_document doc;
  auto result = doc.load_buffer(xml.data(), xml.size(), pugi::parse_default, pugi::encoding_utf8);
  if (!result) return nullptr;
  pugi::xml_node window = doc.document_element();
  if (!window || !NameIs(W(window.name()), L"Window")) return nullptr;
  for (auto attr : window.attributes()) manager.SetWindowAttribute(W(attr.name()), W(attr.value()));
  Builder builder{manager, factory};
  std::unique_ptr<Control> content;
  for (auto child : window.children()) {
    if (child.type() != pugi::node_element) continue;
    std::wstring name = W(child.name());
    if (NameIs(name, L"Font")) {
      FontSpec font;
      font.face = W(child.attribute("name").value());
      font.size = child.attribute("size").as_int(12);
      font.bold = ParseBool(W(child.attribute("bold").value()));
      font.underline = ParseBool(W(child.attribute("underline").value()));
      font.italic = ParseBool(W(child.attribute("italic").value()));
      int id = child.attribute("id").as_int(-1);
      manager.AddFont(id, font, ParseBool(W(child.attribute("default").value())));
      continue;
    }
    if (NameIs(name, L"Default") || NameIs(name, L"Image")) continue;
    if (content) continue;  // one content root
    content = builder.Build(child, 1);
    if (builder.overLimit) return nullptr;
  }
  return content;
}

}  // namespace ui
