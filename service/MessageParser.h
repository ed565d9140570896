#pragma once

#include <boost/beast/http/basic_parser.hpp>
#include <boost/beast/http/message.hpp>

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>

namespace service {

namespace http = boost::beast::http;

// Parses one HTTP message for the proxy: it keeps the head (start line and
// fields) and only measures the body, which the proxy passes on as the
// bytes it arrived as. The head is bounded in all (start line, fields and,
// after a chunked body, its trailer): Beast's own limit applies only to what
// has not been taken yet, so a head that arrives in small pieces would
// otherwise grow without end. When asked, it also hands out the body as
// decoded, for a client that cannot take chunks.
template <bool isRequest> class MessageParser : public http::basic_parser<isRequest> {
public:
    using Head = http::header<isRequest>;

    // A head over `headLimit` bytes or `maxFields` fields fails with
    // http::error::header_limit; the body has no limit.
    explicit MessageParser(std::size_t headLimit, std::size_t maxFields = 256)
        : headLeft_(headLimit), fieldsLeft_(maxFields) {
        this->header_limit(static_cast<std::uint32_t>(headLimit));
        this->body_limit(std::numeric_limits<std::uint64_t>::max());
    }

    const Head& head() const { return head_; }

    // Appends the body's decoded bytes to `sink` from now on (null: stop).
    void decodeInto(std::string* sink) { decoded_ = sink; }

private:
    using error_code = boost::system::error_code;
    using string_view = boost::beast::string_view;

    bool take(std::size_t size, error_code& error) {
        if (size > headLeft_) {
            error = http::error::header_limit;
            return false;
        }
        headLeft_ -= size;
        return true;
    }

    void on_request_impl(http::verb method, string_view methodText, string_view target, int version,
                         error_code& error) override {
        if constexpr (isRequest) {
            if (!take(methodText.size() + target.size() + 12, error))
                return;
            if (method != http::verb::unknown)
                head_.method(method);
            else
                head_.method_string(methodText);
            head_.target(target);
            head_.version(version);
        }
    }
    void on_response_impl(int status, string_view reason, int version, error_code& error) override {
        if constexpr (!isRequest) {
            if (!take(reason.size() + 15, error))
                return;
            head_.result(status);
            head_.reason(reason);
            head_.version(version);
        }
    }
    void on_field_impl(http::field name, string_view nameText, string_view value,
                       error_code& error) override {
        if (fieldsLeft_ == 0) {
            error = http::error::header_limit;
            return;
        }
        --fieldsLeft_;
        if (take(nameText.size() + value.size() + 4, error))
            head_.insert(name, nameText, value);
    }
    void on_header_impl(error_code&) override {}
    void on_body_init_impl(const boost::optional<std::uint64_t>&, error_code&) override {}
    std::size_t on_body_impl(string_view body, error_code&) override {
        if (decoded_)
            decoded_->append(body.data(), body.size());
        return body.size();
    }
    void on_chunk_header_impl(std::uint64_t, string_view, error_code&) override {}
    std::size_t on_chunk_body_impl(std::uint64_t, string_view body, error_code& error) override {
        return on_body_impl(body, error);
    }
    void on_finish_impl(error_code&) override {}

    Head head_;
    std::size_t headLeft_;
    std::size_t fieldsLeft_;
    std::string* decoded_ = nullptr;
};

using RequestParser = MessageParser<true>;
using ResponseParser = MessageParser<false>;

} // namespace service
