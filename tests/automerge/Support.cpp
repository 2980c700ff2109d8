#include "tests/automerge/Support.h"

#include "automerge/Hex.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace automerge::test {

static nlohmann::json dump_object(Document const& document, ObjId obj);

static nlohmann::json dump_value(Document const& document, Value const& value)
{
    if (!value.is_scalar()) {
        if (value.is_map())
            return nlohmann::json::array({ "map", dump_object(document, value.object) });
        return nlohmann::json::array({ "other", nullptr });
    }
    auto const& scalar = value.scalar;
    // Integers past 2^53 - 1 are text, as the reference's dump writes them (JavaScript BigInt).
    auto number = [](auto n) -> nlohmann::json {
        constexpr int64_t safe = (int64_t(1) << 53) - 1;
        if constexpr (std::is_signed_v<decltype(n)>) {
            if (n > safe || n < -safe)
                return std::to_string(n);
        } else if (n > uint64_t(safe)) {
            return std::to_string(n);
        }
        return n;
    };
    switch (scalar.kind()) {
    case ScalarValue::Kind::Null: return nlohmann::json::array({ "null", nullptr });
    case ScalarValue::Kind::Boolean: return nlohmann::json::array({ "boolean", *scalar.as_bool() });
    case ScalarValue::Kind::Int: return nlohmann::json::array({ "int", number(*scalar.as_int()) });
    case ScalarValue::Kind::Uint: return nlohmann::json::array({ "uint", number(*scalar.as_uint()) });
    case ScalarValue::Kind::F64: return nlohmann::json::array({ "f64", *scalar.as_f64() });
    case ScalarValue::Kind::Str: return nlohmann::json::array({ "str", *scalar.as_str() });
    case ScalarValue::Kind::Bytes: return nlohmann::json::array({ "bytes", hex_encode(*scalar.as_bytes()) });
    case ScalarValue::Kind::Counter: return nlohmann::json::array({ "counter", number(*scalar.as_counter()) });
    case ScalarValue::Kind::Timestamp: return nlohmann::json::array({ "timestamp", number(*scalar.as_timestamp()) });
    case ScalarValue::Kind::Unknown:
        return nlohmann::json::array({ "unknown", *scalar.unknown_type_code(), hex_encode(*scalar.unknown_bytes()) });
    }
    return nullptr;
}

static nlohmann::json dump_object(Document const& document, ObjId obj)
{
    auto out = nlohmann::json::array();
    auto keys = document.keys(obj).value();
    for (auto const& key : keys) {
        auto values = nlohmann::json::array();
        auto all = document.get_all(obj, key).value();
        for (auto const& value : all)
            values.push_back(dump_value(document, value));
        out.push_back(nlohmann::json::array({ key, values }));
    }
    return out;
}

nlohmann::json dump(Document const& document)
{
    auto heads = nlohmann::json::array();
    for (auto const& head : document.heads())
        heads.push_back(head.to_hex());
    return { { "heads", heads }, { "root", dump_object(document, ROOT) } };
}

static std::optional<ObjId> resolve(Document const& document, nlohmann::json const& path)
{
    ObjId obj = ROOT;
    for (auto const& key : path) {
        auto value = document.get(obj, key.get<std::string>());
        if (!value || !*value || !(*value)->is_map())
            return std::nullopt;
        obj = (*value)->object;
    }
    return obj;
}

static ScalarValue scalar_of(std::string const& type, nlohmann::json const& value)
{
    if (type == "str")
        return ScalarValue::str(value.get<std::string>());
    if (type == "int")
        return ScalarValue::integer(value.get<int64_t>());
    if (type == "uint")
        return ScalarValue::uinteger(value.get<uint64_t>());
    if (type == "f64")
        return ScalarValue::f64(value.get<double>());
    if (type == "boolean")
        return ScalarValue::boolean(value.get<bool>());
    if (type == "bytes")
        return ScalarValue::bytes(*hex_decode(value.get<std::string>()));
    if (type == "counter")
        return ScalarValue::counter(value.get<int64_t>());
    if (type == "timestamp")
        return ScalarValue::timestamp(value.get<int64_t>());
    return ScalarValue::null();
}

std::map<std::string, Document> run_script(nlohmann::json const& script, std::string& error)
{
    std::map<std::string, Document> documents;
    for (auto const& [name, actor] : script.at("docs").items())
        documents.emplace(name, Document(*ActorId::from_hex(actor.get<std::string>())));
    for (auto const& step : script.at("steps")) {
        auto op = step.at(0).get<std::string>();
        auto& document = documents.at(step.at(1).get<std::string>());
        auto ok = [&](auto const& result) {
            if (!result && error.empty())
                error = op + ": " + result.error().message;
        };
        if (op == "put" || op == "put_object" || op == "increment" || op == "delete") {
            if (!document.in_transaction())
                ok(document.begin());
            auto obj = resolve(document, step.at(2));
            if (!obj) {
                error = "path is not a map";
                return documents;
            }
            auto key = step.at(3).get<std::string>();
            if (op == "put")
                ok(document.put(*obj, key, scalar_of(step.at(4).get<std::string>(), step.at(5))));
            else if (op == "put_object")
                ok(document.put_object(*obj, key, ObjType::Map));
            else {
                error = op + " is not supported by the C++ document";
                return documents;
            }
        } else if (op == "commit") {
            CommitOptions options;
            options.time = step.at(2).get<int64_t>();
            if (!step.at(3).is_null())
                options.message = step.at(3).get<std::string>();
            document.commit(options);
        } else if (op == "merge") {
            ok(document.merge(documents.at(step.at(2).get<std::string>())));
        } else {
            error = "unknown step " + op;
            return documents;
        }
    }
    return documents;
}

std::vector<uint8_t> read_file(std::filesystem::path const& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

void write_file(std::filesystem::path const& path, std::span<const uint8_t> bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<char const*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string hex(std::span<const uint8_t> bytes)
{
    return hex_encode(bytes);
}

std::filesystem::path source_dir()
{
    return std::filesystem::path(AUTOMERGE_TEST_ROOT).lexically_normal();
}

std::filesystem::path fixtures_dir()
{
    return source_dir() / "tests" / "fixtures" / "automerge";
}

}
