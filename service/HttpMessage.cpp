#include "service/HttpMessage.h"

#include <boost/beast/http/rfc7230.hpp>

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

bool isHostName(std::string_view host) {
    return !host.empty() && host.size() <= 255 && std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
    });
}

// "host[:port]" into its parts; a port must be 1 to 65535 when given, and
// is required when `defaultPort` is 0.
bool splitAuthority(std::string_view authority, unsigned defaultPort, Target& target) {
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
    target.host = std::string(authority);
    target.port = static_cast<unsigned short>(port);
    return true;
}

bool splitAbsoluteUri(std::string_view uri, Target& target) {
    constexpr std::string_view scheme = "http://";
    if (uri.size() <= scheme.size() || !equalsNoCase(uri.substr(0, scheme.size()), scheme))
        return false;
    uri.remove_prefix(scheme.size());
    std::string_view::size_type end = uri.find_first_of("/?");
    std::string_view rest = end == std::string_view::npos ? "" : uri.substr(end);
    if (!splitAuthority(uri.substr(0, end), 80, target))
        return false;
    target.path = rest.empty() ? "/" : rest[0] == '?' ? "/" + std::string(rest) : std::string(rest);
    return true;
}

// Whether a header is meant for one connection only, not for the next hop.
// Transfer-Encoding stays: the body goes on in the coding it came in, and
// so does Trailer, which names the trailer fields that come with it. The
// headers that frame the body stay even when Connection names them: the
// proxy frames the message by them, and so must the next hop.
template <class Fields> bool isHopByHop(const Fields& fields, std::string_view name) {
    static const char* const always[] = {
        "Connection", "Proxy-Connection", "Keep-Alive", "Proxy-Authorization", "Proxy-Authenticate",
        "TE",         "Upgrade"};
    if (std::any_of(std::begin(always), std::end(always),
                    [&](const char* hop) { return equalsNoCase(name, hop); }))
        return true;
    if (equalsNoCase(name, "Content-Length") || equalsNoCase(name, "Transfer-Encoding"))
        return false;
    return std::any_of(fields.begin(), fields.end(), [&](const auto& header) {
        if (header.name() != http::field::connection &&
            header.name() != http::field::proxy_connection)
            return false;
        http::token_list tokens(header.value());
        return std::any_of(tokens.begin(), tokens.end(),
                           [&](std::string_view token) { return equalsNoCase(token, name); });
    });
}

// A Transfer-Encoding value without its "chunked": the codings that remain
// once the chunks are decoded.
std::string withoutChunked(std::string_view codings) {
    std::string kept;
    for (std::string_view coding : http::token_list(codings)) {
        if (equalsNoCase(coding, "chunked"))
            continue;
        kept.append(kept.empty() ? "" : ", ").append(coding);
    }
    return kept;
}

template <class Fields> std::string endToEndHeaders(const Fields& fields, bool dechunked = false) {
    std::string text;
    for (const auto& header : fields) {
        std::string_view name = header.name_string();
        if (name == "Host" || isHopByHop(fields, name))
            continue;
        std::string value(header.value());
        if (dechunked && header.name() == http::field::transfer_encoding &&
            (value = withoutChunked(value)).empty())
            continue;
        text.append(name).append(": ").append(value).append("\r\n");
    }
    return text;
}

std::string versionText(unsigned version) {
    return version == 10 ? "HTTP/1.0" : "HTTP/1.1";
}

} // namespace

std::optional<Target> proxyTarget(const RequestParser& parser) {
    const RequestParser::Head& request = parser.head();
    Target target;
    std::string_view uri = request.target();
    bool valid = request.method() == http::verb::connect ? splitAuthority(uri, 0, target)
                                                         : splitAbsoluteUri(uri, target);
    bool versionKnown = request.version() == 10 || request.version() == 11;
    bool endKnown = request.count(http::field::transfer_encoding) == 0 || parser.chunked();
    if (!valid || !versionKnown || !endKnown)
        return std::nullopt;
    return target;
}

bool mayRepeat(const RequestParser& request) {
    http::verb method = request.head().method();
    bool changesNothing =
        method == http::verb::get || method == http::verb::head || method == http::verb::options;
    return changesNothing && request.is_done();
}

bool framingIsClear(const ResponseParser& response) {
    const ResponseParser::Head& head = response.head();
    return response.chunked() || head.count(http::field::transfer_encoding) == 0 ||
           head.count(http::field::content_length) == 0;
}

std::string originRequestHead(const RequestParser::Head& request, const Target& target) {
    std::string text(request.method_string());
    text += " " + target.path + " " + versionText(request.version()) + "\r\n";
    text += "Host: " + target.host + (target.port == 80 ? "" : ":" + std::to_string(target.port));
    return text + "\r\n" + endToEndHeaders(request) + "\r\n";
}

std::string clientResponseHead(const ResponseParser::Head& response, bool keepAlive,
                               unsigned clientVersion, bool dechunked) {
    std::string text = "HTTP/1.1 " + std::to_string(response.result_int()) + " ";
    text.append(response.reason()).append("\r\n").append(endToEndHeaders(response, dechunked));
    if (!keepAlive)
        text += "Connection: close\r\n";
    else if (clientVersion == 10)
        text += "Connection: keep-alive\r\n";
    return text + "\r\n";
}

} // namespace service
