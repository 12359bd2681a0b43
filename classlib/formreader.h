// Reads a form description: the text that names a form's components, their
// properties and the handlers bound to their events.
//
//   object Form1: TForm1
//     Caption = 'RUVOK for Win32'
//     OnCreate = FormCreate
//     object Image1: TImage
//       Left = 104
//       PopupMenu = PopupMenu3
//     end
//   end
//
// Values are integers, identifiers, sets "[a, b]" and strings: quoted stretches
// ('it''s') joined with byte codes (#65 or #$41), e.g. 'A'#$82#$6C.
#pragma once

#include "classes.h"
#include "sysutils.h"

#include <any>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace classlib {

struct PropertyValue {
  enum class Kind { Integer, Identifier, String, Set } kind = Kind::Integer;
  long long integer = 0;
  std::string text; // identifier or string bytes
  std::vector<std::string> set;

  int Int() const;
  bool Bool() const;
  const std::string& Ident() const;
  const std::string& Str() const;
  const std::vector<std::string>& Set() const;
};

// What a form publishes: the fields that receive its components and the handler
// methods its events are bound to. The reader asks for one name at a time.
class Published {
public:
  template <class T> void Field(const char* name, T*& field) {
    if (FMatched || FWanted != name || FClassName != T::StaticClassName) return;
    field = new T(FRoot);
    FMatched = field;
  }

  template <class Form, class... Args>
  void Method(const char* name, void (Form::*method)(Args...)) {
    if (FMethod.has_value() || FWanted != name) return;
    auto* self = dynamic_cast<Form*>(FRoot);
    FMethod = std::function<void(Args...)>(
        [self, method](Args... args) { (self->*method)(std::forward<Args>(args)...); });
  }

private:
  friend class FormReader;
  Published(TComponent* root, std::string wanted, std::string className = {})
      : FRoot(root), FWanted(std::move(wanted)), FClassName(std::move(className)) {}
  TComponent* FRoot;
  std::string FWanted;
  std::string FClassName;
  TComponent* FMatched = nullptr;
  std::any FMethod;
};

class FormReader {
public:
  // Reads `text` into the existing `root`, creating the components it names. Every
  // component is in the loading state until the whole text has been read; then
  // references are resolved and each one's Loaded runs, the root's first.
  static void ReadRoot(TComponent* root, std::string_view text);

  // The root's handler method `name`, as event type E (a std::function type).
  template <class E> E Method(const std::string& name) {
    Published published(FRoot, name);
    FRoot->Publish(published);
    if (const E* event = std::any_cast<E>(&published.FMethod)) return *event;
    throw EReadError("Invalid property value: method " + name + " not found");
  }

  // `assign` receives the component named `name` once the whole text has been read.
  void Reference(const std::string& name, std::function<void(TComponent*)> assign);

private:
  FormReader(TComponent* root, std::string_view text) : FRoot(root), FText(text) {}
  struct Fixup {
    std::string name;
    std::function<void(TComponent*)> assign;
  };

  void ReadObject(TComponent* component);
  TComponent* CreateChild(const std::string& name, const std::string& className);
  PropertyValue ReadValue();
  std::string ReadString();
  std::string ReadIdent();
  void SkipBlanks();
  bool Peek(char c);
  void Expect(char c);
  bool AtWord(std::string_view word);
  [[noreturn]] void Fail(const std::string& why);

  TComponent* FRoot;
  std::string_view FText;
  std::size_t FPos = 0;
  std::vector<TComponent*> FLoaded;
  std::vector<Fixup> FFixups;
};

} // namespace classlib
