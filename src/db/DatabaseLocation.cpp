#include "db/DatabaseLocation.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace {

constexpr const char* kSchemes[] = {"postgresql://", "postgres://"};

std::size_t schemeLength(const std::string& location) {
    for (const char* scheme : kSchemes) {
        const std::string s(scheme);
        if (location.size() >= s.size() &&
            std::equal(s.begin(), s.end(), location.begin(),
                       [](char a, char b) { return a == std::tolower(static_cast<unsigned char>(b)); }))
            return s.size();
    }
    return 0;
}

std::string encode(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

std::string decode(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The URI in its parts, split as libpq splits it: the user part ends at the first '@' met before
// any '/'; the query starts at the first '?'.
struct Parts {
    std::string scheme, user, password, hostPort, path, query;
    bool hasUser = false, hasPassword = false, hasPath = false, hasQuery = false;
};

Parts split(const std::string& location) {
    Parts p;
    const std::size_t start = schemeLength(location);
    p.scheme = location.substr(0, start);
    std::string rest = location.substr(start);
    const std::size_t at = rest.find_first_of("@/");
    if (at != std::string::npos && rest[at] == '@') {
        const std::string userInfo = rest.substr(0, at);
        rest = rest.substr(at + 1);
        p.hasUser = true;
        const std::size_t colon = userInfo.find(':');
        p.user = userInfo.substr(0, colon);
        if (colon != std::string::npos) {
            p.hasPassword = true;
            p.password = userInfo.substr(colon + 1);
        }
    }
    const std::size_t q = rest.find('?');
    if (q != std::string::npos) {
        p.hasQuery = true;
        p.query = rest.substr(q + 1);
        rest = rest.substr(0, q);
    }
    const std::size_t slash = rest.find('/');
    if (slash != std::string::npos) {
        p.hasPath = true;
        p.path = rest.substr(slash + 1);
        rest = rest.substr(0, slash);
    }
    p.hostPort = rest;
    return p;
}

std::vector<std::string> queryParams(const std::string& query) {
    std::vector<std::string> params;
    std::size_t from = 0;
    while (from <= query.size()) {
        const std::size_t amp = query.find('&', from);
        const std::size_t end = amp == std::string::npos ? query.size() : amp;
        if (end > from)
            params.push_back(query.substr(from, end - from));
        if (amp == std::string::npos)
            break;
        from = amp + 1;
    }
    return params;
}

bool isPasswordParam(const std::string& param) { return decode(param.substr(0, param.find('='))) == "password"; }

} // namespace

namespace DatabaseLocation {

bool isServer(const std::string& location) { return schemeLength(location) != 0; }

std::string serverUri(const Server& s) {
    std::string host = s.host;
    const bool ipv6 = host.find(':') != std::string::npos;
    std::string uri = "postgresql://";
    if (!s.user.empty())
        uri += encode(s.user) + "@";
    uri += ipv6 ? "[" + host + "]" : encode(host);
    uri += ":" + std::to_string(s.port > 0 ? s.port : kDefaultPort);
    uri += "/" + encode(s.database);
    return uri;
}

std::optional<Server> parseServer(const std::string& location) {
    if (!isServer(location))
        return std::nullopt;
    const Parts p = split(location);
    Server s;
    s.user = decode(p.user);
    s.database = decode(p.path);
    std::string hostPort = p.hostPort;
    // Several hosts ("a:5432,b:5433"): the form shows the first.
    hostPort = hostPort.substr(0, hostPort.find(','));
    std::string port;
    if (!hostPort.empty() && hostPort.front() == '[') {
        const std::size_t close = hostPort.find(']');
        s.host = hostPort.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        if (close != std::string::npos && close + 1 < hostPort.size() && hostPort[close + 1] == ':')
            port = hostPort.substr(close + 2);
    } else {
        const std::size_t colon = hostPort.find(':');
        s.host = decode(hostPort.substr(0, colon));
        if (colon != std::string::npos)
            port = hostPort.substr(colon + 1);
    }
    for (const std::string& param : queryParams(p.query)) {
        const std::size_t eq = param.find('=');
        const std::string key = decode(param.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : decode(param.substr(eq + 1));
        if (key == "host" && s.host.empty())
            s.host = value;
        else if (key == "port" && port.empty())
            port = value;
        else if (key == "user" && s.user.empty())
            s.user = value;
        else if (key == "dbname" && s.database.empty())
            s.database = value;
    }
    if (!port.empty() && port.size() <= 5 && std::all_of(port.begin(), port.end(), ::isdigit))
        s.port = std::stoi(port);
    return s;
}

std::string withoutPassword(const std::string& location) {
    if (!isServer(location))
        return location;
    const Parts p = split(location);
    std::string out = p.scheme;
    if (p.hasUser)
        out += p.user + "@";
    out += p.hostPort;
    if (p.hasPath)
        out += "/" + p.path;
    std::string query;
    for (const std::string& param : queryParams(p.query))
        if (!isPasswordParam(param))
            query += (query.empty() ? "" : "&") + param;
    if (!query.empty())
        out += "?" + query;
    return out;
}

bool hasPassword(const std::string& location) {
    if (!isServer(location))
        return false;
    const Parts p = split(location);
    const std::vector<std::string> params = queryParams(p.query);
    return p.hasPassword || std::any_of(params.begin(), params.end(), isPasswordParam);
}

std::string withDatabase(const std::string& uri, const std::string& name) {
    const std::size_t scheme = uri.find("://");
    const std::size_t slash = uri.find('/', scheme + 3);
    const std::size_t query = uri.find('?', scheme + 3);
    if (slash == std::string::npos || (query != std::string::npos && slash > query))
        return uri.substr(0, query) + "/" + name + (query == std::string::npos ? "" : uri.substr(query));
    const std::size_t end = query == std::string::npos ? uri.size() : query;
    return uri.substr(0, slash + 1) + name + uri.substr(end);
}

} // namespace DatabaseLocation
