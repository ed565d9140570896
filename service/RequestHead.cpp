#include "service/RequestHead.h"

#include <algorithm>
#include <cctype>

namespace service {
namespace {

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isToken(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) ||
               std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
    });
}

bool isHostName(std::string_view host) {
    return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
    });
}

// "host[:port]" into its parts; a port must be 1 to 65535 when given, and
// is required when `defaultPort` is 0.
bool splitAuthority(std::string_view authority, unsigned defaultPort, RequestHead& head) {
    std::string_view::size_type colon = authority.rfind(':');
    unsigned long port = defaultPort;
    if (colon != std::string_view::npos) {
        std::string_view digits = authority.substr(colon + 1);
        if (digits.empty() || digits.size() > 5 ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        port = std::stoul(std::string(digits));
        authority = authority.substr(0, colon);
    }
    if (port == 0 || port > 65535 || !isHostName(authority))
        return false;
    head.host = std::string(authority);
    head.port = static_cast<unsigned short>(port);
    return true;
}

bool parseTarget(std::string_view target, RequestHead& head) {
    if (head.isConnect())
        return splitAuthority(target, 0, head);
    constexpr std::string_view scheme = "http://";
    if (target.size() <= scheme.size() || !equalsNoCase(target.substr(0, scheme.size()), scheme))
        return false;
    target.remove_prefix(scheme.size());
    std::string_view::size_type end = target.find_first_of("/?");
    std::string_view rest = end == std::string_view::npos ? "" : target.substr(end);
    if (!splitAuthority(target.substr(0, end), 80, head))
        return false;
    head.path = rest.empty() ? "/" : rest[0] == '?' ? "/" + std::string(rest) : std::string(rest);
    return std::none_of(head.path.begin(), head.path.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

bool parseRequestLine(std::string_view line, RequestHead& head) {
    std::string_view::size_type first = line.find(' ');
    std::string_view::size_type last = line.rfind(' ');
    if (first == std::string_view::npos || first == last)
        return false;
    std::string_view version = line.substr(last + 1);
    head.method = std::string(line.substr(0, first));
    return isToken(head.method) && (version == "HTTP/1.1" || version == "HTTP/1.0") &&
           parseTarget(line.substr(first + 1, last - first - 1), head);
}

bool parseHeader(std::string_view line, RequestHead& head) {
    std::string_view::size_type colon = line.find(':');
    if (colon == std::string_view::npos || !isToken(line.substr(0, colon)))
        return false;
    std::string_view name = line.substr(0, colon);
    std::string_view value = line.substr(colon + 1);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    if (value.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        return false;
    if (equalsNoCase(name, "Transfer-Encoding"))
        return false;
    if (equalsNoCase(name, "Content-Length")) {
        bool repeated = std::any_of(head.headers.begin(), head.headers.end(), [](const auto& h) {
            return equalsNoCase(h.first, "Content-Length");
        });
        if (repeated || value.empty() || value.size() > 15 ||
            !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return false;
        head.bodyLength = std::stoull(std::string(value));
    }
    head.headers.emplace_back(name, value);
    return true;
}

// Whether a comma-separated header value lists `token`.
bool listsToken(std::string_view list, std::string_view token) {
    while (!list.empty()) {
        std::string_view::size_type comma = list.find(',');
        std::string_view item = list.substr(0, comma);
        while (!item.empty() && (item.front() == ' ' || item.front() == '\t'))
            item.remove_prefix(1);
        while (!item.empty() && (item.back() == ' ' || item.back() == '\t'))
            item.remove_suffix(1);
        if (equalsNoCase(item, token))
            return true;
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return false;
}

} // namespace

std::optional<RequestHead> RequestHead::parse(std::string_view text) {
    constexpr std::string_view end = "\r\n\r\n";
    if (text.size() < end.size() || text.substr(text.size() - end.size()) != end)
        return std::nullopt;
    text.remove_suffix(2); // every line now ends with CR LF
    RequestHead head;
    bool first = true;
    while (!text.empty()) {
        std::string_view::size_type lineEnd = text.find("\r\n");
        std::string_view line = text.substr(0, lineEnd);
        text.remove_prefix(lineEnd + 2);
        if (!(first ? parseRequestLine(line, head) : parseHeader(line, head)))
            return std::nullopt;
        first = false;
    }
    return head;
}

std::string RequestHead::forwardHead() const {
    // Meant for one connection, not the next hop; Host is written anew.
    static const char* const dropped[] = {
        "Host", "Connection", "Proxy-Connection", "Keep-Alive", "Proxy-Authorization",
        "TE",   "Trailer",    "Upgrade"};
    auto namedByConnection = [this](const std::string& name) {
        return std::any_of(headers.begin(), headers.end(), [&](const auto& header) {
            return (equalsNoCase(header.first, "Connection") ||
                    equalsNoCase(header.first, "Proxy-Connection")) &&
                   listsToken(header.second, name);
        });
    };
    std::string text = method + " " + path + " HTTP/1.1\r\n";
    text += "Host: " + host + (port == 80 ? "" : ":" + std::to_string(port)) + "\r\n";
    for (const auto& [name, value] : headers) {
        if (std::any_of(std::begin(dropped), std::end(dropped),
                        [&](const char* d) { return equalsNoCase(name, d); }) ||
            namedByConnection(name))
            continue;
        text += name + ": " + value + "\r\n";
    }
    return text + "Connection: close\r\n\r\n";
}

} // namespace service
