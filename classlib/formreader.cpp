#include "formreader.h"

namespace classlib {

int PropertyValue::Int() const {
  if (kind != Kind::Integer || integer < -0x80000000LL || integer > 0x7FFFFFFFLL)
    throw EReadError("Invalid property value");
  return static_cast<int>(integer);
}

bool PropertyValue::Bool() const {
  if (kind == Kind::Identifier && text == "True") return true;
  if (kind == Kind::Identifier && text == "False") return false;
  throw EReadError("Invalid property value");
}

const std::string& PropertyValue::Ident() const {
  if (kind != Kind::Identifier) throw EReadError("Invalid property value");
  return text;
}

const std::string& PropertyValue::Str() const {
  if (kind != Kind::String) throw EReadError("Invalid property value");
  return text;
}

const std::vector<std::string>& PropertyValue::Set() const {
  if (kind != Kind::Set) throw EReadError("Invalid property value");
  return set;
}

void FormReader::ReadRoot(TComponent* root, std::string_view text) {
  FormReader reader(root, text);
  root->FLoading = true;
  reader.FLoaded.push_back(root);
  reader.SkipBlanks();
  if (!reader.AtWord("object")) reader.Fail("'object' expected");
  const std::string name = reader.ReadIdent();
  reader.Expect(':');
  const std::string className = reader.ReadIdent();
  if (className != root->ClassName()) reader.Fail("description of " + className);
  root->SetName(name);
  reader.ReadObject(root);

  for (const Fixup& fixup : reader.FFixups) {
    TComponent* target = nullptr;
    for (TComponent* c : root->Components())
      if (c->Name() == fixup.name) target = c;
    if (!target) throw EReadError("Invalid property value: " + fixup.name + " not found");
    fixup.assign(target);
  }
  for (TComponent* c : reader.FLoaded) c->Loaded();
}

void FormReader::Reference(const std::string& name, std::function<void(TComponent*)> assign) {
  FFixups.push_back({name, std::move(assign)});
}

// Properties and nested objects up to the matching "end".
void FormReader::ReadObject(TComponent* component) {
  for (;;) {
    SkipBlanks();
    if (AtWord("end")) return;
    if (AtWord("object")) {
      const std::string name = ReadIdent();
      Expect(':');
      const std::string className = ReadIdent();
      TComponent* child = CreateChild(name, className);
      child->SetParentComponent(component);
      ReadObject(child);
      continue;
    }
    const std::string property = ReadIdent();
    Expect('=');
    const PropertyValue value = ReadValue();
    try {
      if (!component->SetProperty(property, value, *this))
        throw EReadError("Property " + property + " does not exist");
    } catch (const Exception& e) {
      throw EReadError("Error reading " + component->Name() + "." + property + ": " + e.Message());
    }
  }
}

TComponent* FormReader::CreateChild(const std::string& name, const std::string& className) {
  Published published(FRoot, name, className);
  FRoot->Publish(published);
  TComponent* child = published.FMatched;
  if (!child) Fail("no field " + name + " of class " + className);
  child->SetName(name);
  child->FLoading = true;
  FLoaded.push_back(child);
  return child;
}

PropertyValue FormReader::ReadValue() {
  SkipBlanks();
  PropertyValue value;
  if (FPos >= FText.size()) Fail("value expected");
  const char c = FText[FPos];
  if (c == '\'' || c == '#') {
    value.kind = PropertyValue::Kind::String;
    value.text = ReadString();
  } else if (c == '[') {
    value.kind = PropertyValue::Kind::Set;
    ++FPos;
    while (!Peek(']')) {
      value.set.push_back(ReadIdent());
      if (!Peek(']')) Expect(',');
    }
    Expect(']');
  } else if (c == '-' || (c >= '0' && c <= '9')) {
    const bool negative = c == '-';
    if (negative) ++FPos;
    if (FPos >= FText.size() || FText[FPos] < '0' || FText[FPos] > '9') Fail("number expected");
    while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
      value.integer = value.integer * 10 + (FText[FPos++] - '0');
      if (value.integer > 0xFFFFFFFFLL) Fail("number too large");
    }
    if (negative) value.integer = -value.integer;
  } else {
    value.kind = PropertyValue::Kind::Identifier;
    value.text = ReadIdent();
  }
  return value;
}

std::string FormReader::ReadString() {
  std::string bytes;
  for (;;) {
    if (FPos < FText.size() && FText[FPos] == '\'') {
      ++FPos;
      for (;;) {
        if (FPos >= FText.size() || FText[FPos] == '\n') Fail("unterminated string");
        if (FText[FPos] == '\'') {
          if (FPos + 1 < FText.size() && FText[FPos + 1] == '\'') {
            bytes += '\'';
            FPos += 2;
            continue;
          }
          ++FPos;
          break;
        }
        bytes += FText[FPos++];
      }
    } else if (FPos < FText.size() && FText[FPos] == '#') {
      ++FPos;
      const bool hex = FPos < FText.size() && FText[FPos] == '$';
      if (hex) ++FPos;
      int code = 0, digits = 0;
      for (; FPos < FText.size(); ++FPos, ++digits) {
        const char d = FText[FPos];
        int v;
        if (d >= '0' && d <= '9')
          v = d - '0';
        else if (hex && d >= 'A' && d <= 'F')
          v = d - 'A' + 10;
        else if (hex && d >= 'a' && d <= 'f')
          v = d - 'a' + 10;
        else
          break;
        code = code * (hex ? 16 : 10) + v;
        if (code > 255) Fail("byte code out of range");
      }
      if (digits == 0) Fail("byte code expected");
      bytes += static_cast<char>(code);
    } else {
      return bytes;
    }
  }
}

std::string FormReader::ReadIdent() {
  SkipBlanks();
  const std::size_t start = FPos;
  while (FPos < FText.size()) {
    const char c = FText[FPos];
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
    const bool digit = c >= '0' && c <= '9';
    if (!(letter || ((digit || c == '.') && FPos > start))) break;
    ++FPos;
  }
  if (FPos == start) Fail("identifier expected");
  return std::string(FText.substr(start, FPos - start));
}

void FormReader::SkipBlanks() {
  while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ') ++FPos;
}

bool FormReader::Peek(char c) {
  SkipBlanks();
  return FPos < FText.size() && FText[FPos] == c;
}

void FormReader::Expect(char c) {
  if (!Peek(c)) Fail(std::string("'") + c + "' expected");
  ++FPos;
}

bool FormReader::AtWord(std::string_view word) {
  SkipBlanks();
  if (FText.substr(FPos, word.size()) != word) return false;
  const std::size_t after = FPos + word.size();
  if (after < FText.size() && static_cast<unsigned char>(FText[after]) > ' ') return false;
  FPos = after;
  return true;
}

void FormReader::Fail(const std::string& why) {
  std::size_t line = 1;
  for (std::size_t i = 0; i < FPos && i < FText.size(); ++i) line += FText[i] == '\n';
  throw EReadError("Error reading form description of " + std::string(FRoot->ClassName()) +
                   " at line " + IntToStr(static_cast<long long>(line)) + ": " + why);
}

} // namespace classlib
