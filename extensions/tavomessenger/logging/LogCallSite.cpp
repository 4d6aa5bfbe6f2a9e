#include "logging/LogCallSite.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <utility>
#include <vector>

namespace logging {
namespace detail {
namespace {

std::string withForwardSlashes(std::string path)
{
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

bool startsWithIgnoringCase(const std::string& text, const std::string& prefix)
{
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const unsigned char a = static_cast<unsigned char>(text[i]);
        const unsigned char b = static_cast<unsigned char>(prefix[i]);
        if (std::tolower(a) != std::tolower(b)) return false;
    }
    return true;
}

bool endsWith(const std::string& text, const std::string& suffix)
{
    return suffix.size() <= text.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool isIdentifierChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

void eraseAll(std::string& text, const std::string& what)
{
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at))
        text.erase(at, what.size());
}

// Names in an anonymous namespace read as if they were in the enclosing one, as every compiler spells
// that namespace differently.
std::string withoutAnonymousNamespaces(std::string name)
{
    eraseAll(name, "{anonymous}::");
    eraseAll(name, "(anonymous namespace)::");
    eraseAll(name, "`anonymous-namespace'::");
    return name;
}

std::string trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

// The opening parenthesis of the parameter list: the first one outside template arguments that is
// neither part of "operator()" nor of an anonymous-namespace marker.
std::size_t parameterListStart(const std::string& signature)
{
    int angleDepth = 0;
    for (std::size_t i = 0; i < signature.size(); ++i) {
        const char c = signature[i];
        if (c == '<') ++angleDepth;
        else if (c == '>' && angleDepth > 0) --angleDepth;
        else if (c == '(' && angleDepth == 0) {
            if (signature.compare(i, 21, "(anonymous namespace)") == 0) {
                i += 20;
                continue;
            }
            if (endsWith(trimmed(signature.substr(0, i)), "operator") && signature.compare(i, 2, "()") == 0) {
                ++i;
                continue;
            }
            return i;
        }
    }
    return std::string::npos;
}

// The qualified name that ends just before `end`: back to the last space outside template arguments and
// parentheses, keeping "operator" together with what it names.
std::string qualifiedNameBefore(const std::string& signature, std::size_t end)
{
    int depth = 0;
    std::size_t begin = 0;
    for (std::size_t i = end; i > 0; --i) {
        const char c = signature[i - 1];
        if (c == '>' || c == ')') ++depth;
        else if ((c == '<' || c == '(') && depth > 0) --depth;
        else if (c == ' ' && depth == 0) {
            if (endsWith(signature.substr(0, i - 1), "operator")) continue;
            begin = i;
            break;
        }
    }
    return signature.substr(begin, end - begin);
}

bool isBuiltinTypeName(const std::string& value)
{
    static const char* const builtins[] = {"bool",     "char",     "signed",   "unsigned", "short",
                                           "int",      "long",     "float",    "double",   "void",
                                           "wchar_t",  "char16_t", "char32_t", "const",    "volatile"};
    std::string firstWord;
    for (char c : value) {
        if (!isIdentifierChar(c)) break;
        firstWord += c;
    }
    for (const char* builtin : builtins)
        if (firstWord == builtin) return true;
    return false;
}

// How a template argument reads in a name: class types get the "class " keyword, as MSVC writes them;
// built-in types, pointers and constants stay as they are.
std::string spelledArgument(const std::string& value)
{
    if (value.empty() || !(std::isalpha(static_cast<unsigned char>(value[0])) || value[0] == '_')) return value;
    if (isBuiltinTypeName(value)) return value;
    if (value.find_first_of("*&(") != std::string::npos) return value;
    return "class " + value;
}

// "[with T = A; U = std::map<int, int>]" -> {("T", "A"), ("U", "std::map<int, int>")}
std::vector<std::pair<std::string, std::string>> templateBindings(const std::string& clause)
{
    std::vector<std::pair<std::string, std::string>> bindings;
    std::vector<std::string> parts;
    std::string current;
    int depth = 0;
    for (char c : clause) {
        if (c == '<' || c == '(' || c == '[') ++depth;
        if ((c == '>' || c == ')' || c == ']') && depth > 0) --depth;
        if (c == ';' && depth == 0) {
            parts.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    parts.push_back(current);
    for (const std::string& part : parts) {
        const std::size_t equals = part.find(" = ");
        if (equals == std::string::npos) continue;
        bindings.emplace_back(trimmed(part.substr(0, equals)), withoutAnonymousNamespaces(trimmed(part.substr(equals + 3))));
    }
    return bindings;
}

// Replaces template parameter names by their arguments inside the template argument lists of a name.
std::string substituteTemplateParameters(const std::string& name,
                                         const std::vector<std::pair<std::string, std::string>>& bindings)
{
    std::string result;
    int angleDepth = 0;
    for (std::size_t i = 0; i < name.size();) {
        const char c = name[i];
        if (angleDepth > 0 && (std::isalpha(static_cast<unsigned char>(c)) || c == '_')
            && (i == 0 || !isIdentifierChar(name[i - 1]))) {
            std::size_t end = i;
            while (end < name.size() && isIdentifierChar(name[end])) ++end;
            const std::string word = name.substr(i, end - i);
            std::string replacement = word;
            for (const auto& binding : bindings)
                if (binding.first == word) replacement = spelledArgument(binding.second);
            result += replacement;
            i = end;
            continue;
        }
        if (c == '<') ++angleDepth;
        else if (c == '>' && angleDepth > 0) --angleDepth;
        result += c;
        ++i;
    }
    return result;
}

} // namespace

std::string sourcePathFromCompilerFile(const std::string& compilerFile, const std::string& projectRoot)
{
    std::string path = withForwardSlashes(compilerFile);
    const std::string root = withForwardSlashes(projectRoot);
    if (!root.empty() && startsWithIgnoringCase(path, root)) path.erase(0, root.size());
    const std::size_t lastSlash = path.rfind('/');
    const std::size_t lastDot = path.rfind('.');
    if (lastDot != std::string::npos && (lastSlash == std::string::npos || lastDot > lastSlash)) path.erase(lastDot);
    return path;
}

std::string projectRootFromKnownFile(const std::string& compilerFile, const std::string& relativePath)
{
    const std::string path = withForwardSlashes(compilerFile);
    if (!endsWith(path, relativePath)) return std::string();
    return path.substr(0, path.size() - relativePath.size());
}

std::string functionNameFromSignature(const std::string& signature)
{
    std::string declaration = signature;
    std::vector<std::pair<std::string, std::string>> bindings;
    const std::size_t with = declaration.rfind(" [with ");
    if (with != std::string::npos && !declaration.empty() && declaration.back() == ']') {
        bindings = templateBindings(declaration.substr(with + 7, declaration.size() - with - 8));
        declaration.erase(with);
    }

    const std::size_t parameters = parameterListStart(declaration);
    std::string name = parameters == std::string::npos ? trimmed(declaration)
                                                        : qualifiedNameBefore(declaration, parameters);
    if (!bindings.empty()) name = substituteTemplateParameters(name, bindings);
    return withoutAnonymousNamespaces(name);
}

} // namespace detail
} // namespace logging
