#include "src/sync/PeerStore.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fmt/format.h>

#include "src/sync/JsonFields.h"
#include "src/sync/SyncSession.h"

namespace vexa::sync {

namespace {

std::unexpected<DeviceSyncError> store_error(std::string text)
{
    return sync_error(DeviceSyncError::peer_store(std::move(text)));
}

std::string system_text(int error)
{
    return fmt::format("{} (os error {})", std::strerror(error), error);
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(FileDescriptor const&) = delete;
    FileDescriptor& operator=(FileDescriptor const&) = delete;
    int get() const { return m_fd; }
    int release_and_close()
    {
        int const result = ::close(m_fd);
        m_fd = -1;
        return result;
    }

private:
    int m_fd;
};

kaso::ErrorOr<PeerRecord> record_of(json::Value const& value)
{
    auto fields = TRY(json::Fields::open(value,
        { "id", "name", "descriptor", "approved_at", "pending_approval", "revoked_at", "last_sync_at", "last_error" }));
    PeerRecord record;
    record.id = TRY(fields.string("id"));
    record.name = TRY(fields.string("name"));
    auto const* descriptor = TRY(fields.required("descriptor"));
    auto descriptor_fields = TRY(json::Fields::open(*descriptor, { "public_key", "addresses", "port" }));
    record.descriptor.public_key = TRY(descriptor_fields.string("public_key"));
    record.descriptor.addresses = TRY(descriptor_fields.string_array("addresses"));
    record.descriptor.port = static_cast<int32_t>(TRY(descriptor_fields.integer("port", INT32_MIN, INT32_MAX)));
    record.approved_at = TRY(fields.unsigned_integer("approved_at"));
    record.pending_approval = TRY(fields.optional_boolean("pending_approval")).value_or(false);
    record.revoked_at = TRY(fields.optional_unsigned("revoked_at"));
    record.last_sync_at = TRY(fields.optional_unsigned("last_sync_at"));
    record.last_error = TRY(fields.optional_string("last_error"));
    return record;
}

nlohmann::ordered_json json_of(PeerRecord const& record)
{
    auto optional = [](auto const& value) -> nlohmann::ordered_json {
        if (value)
            return *value;
        return nullptr;
    };
    nlohmann::ordered_json descriptor;
    descriptor["public_key"] = record.descriptor.public_key;
    descriptor["addresses"] = record.descriptor.addresses;
    descriptor["port"] = record.descriptor.port;
    nlohmann::ordered_json out;
    out["id"] = record.id;
    out["name"] = record.name;
    out["descriptor"] = std::move(descriptor);
    out["approved_at"] = record.approved_at;
    out["pending_approval"] = record.pending_approval;
    out["revoked_at"] = optional(record.revoked_at);
    out["last_sync_at"] = optional(record.last_sync_at);
    out["last_error"] = optional(record.last_error);
    return out;
}

}

bool PeerStore::within_bounds(std::span<PeerRecord const> records)
{
    if (records.size() > max_records)
        return false;
    for (auto const& record : records) {
        if (record.id.size() > max_text_length || record.name.size() > max_text_length
            || record.descriptor.public_key.size() > max_text_length || record.descriptor.addresses.size() > max_addresses)
            return false;
        for (auto const& address : record.descriptor.addresses) {
            if (address.empty() || address.size() > 255)
                return false;
        }
    }
    return true;
}

SyncErrorOr<std::vector<PeerRecord>> PeerStore::parse(std::string_view text)
{
    auto value = json::parse(text);
    if (!value)
        return store_error(value.error().message);
    auto records = [&]() -> kaso::ErrorOr<std::pair<uint64_t, std::vector<PeerRecord>>> {
        auto fields = TRY(json::Fields::open(*value, { "version", "peers" }));
        auto const version = TRY(fields.integer("version", 0, UINT32_MAX));
        auto const* peers = TRY(fields.required("peers"));
        if (!peers->is_array())
            return kaso::make_error(fmt::format("invalid type: {}, expected an array for `peers`", peers->type_name()));
        std::vector<PeerRecord> list;
        for (auto const& item : *peers)
            list.push_back(TRY(record_of(item)));
        return std::pair { static_cast<uint64_t>(version), std::move(list) };
    }();
    if (!records)
        return store_error(records.error().message);
    if (records->first != 1)
        return store_error("unsupported peer store version");
    if (!within_bounds(records->second))
        return store_error("peer store exceeds its structural bounds");
    return std::move(records->second);
}

SyncErrorOr<std::vector<PeerRecord>> PeerStore::load(std::filesystem::path const& path)
{
    // Opened without blocking: a FIFO or a device at the path would otherwise hold the worker in
    // open() forever before the check below could refuse it.
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (file.get() < 0) {
        if (errno == ENOENT)
            return std::vector<PeerRecord> {};
        return store_error(system_text(errno));
    }
    struct stat status {};
    if (::fstat(file.get(), &status) != 0)
        return store_error(system_text(errno));
    if (!S_ISREG(status.st_mode) || static_cast<std::size_t>(status.st_size) > max_file_size)
        return store_error("invalid peer store");

    std::string text(max_file_size + 1, '\0');
    std::size_t length = 0;
    while (length < text.size()) {
        ssize_t const got = ::read(file.get(), text.data() + length, text.size() - length);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return store_error(system_text(errno));
        }
        if (got == 0)
            break;
        length += static_cast<std::size_t>(got);
    }
    text.resize(length);
    if (length > max_file_size)
        return store_error("invalid peer store");
    return parse(text);
}

SyncErrorOr<void> PeerStore::save(std::filesystem::path const& path, std::span<PeerRecord const> records)
{
    auto const parent = path.parent_path();
    if (parent.empty())
        return store_error("peer store has no parent");
    if (!within_bounds(records))
        return store_error("peer store exceeds its structural bounds");

    std::error_code error;
    std::filesystem::create_directories(parent, error);
    if (error)
        return store_error(system_text(error.value()));
    if (::chmod(parent.c_str(), 0700) != 0)
        return store_error(system_text(errno));

    nlohmann::ordered_json file;
    file["version"] = 1;
    file["peers"] = nlohmann::ordered_json::array();
    for (auto const& record : records)
        file["peers"].push_back(json_of(record));
    std::string text;
    try {
        text = file.dump(2);
    } catch (std::exception const& failure) {
        return store_error(failure.what());
    }

    auto const temporary = parent / (".peers-" + random_uuid() + ".tmp");
    FileDescriptor out(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (out.get() < 0)
        return store_error(system_text(errno));
    auto fail = [&](int code) {
        ::unlink(temporary.c_str());
        return store_error(system_text(code));
    };
    if (::fchmod(out.get(), 0600) != 0)
        return fail(errno);
    std::size_t written = 0;
    while (written < text.size()) {
        ssize_t const put = ::write(out.get(), text.data() + written, text.size() - written);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            return fail(errno);
        }
        written += static_cast<std::size_t>(put);
    }
    if (::fsync(out.get()) != 0)
        return fail(errno);
    if (out.release_and_close() != 0)
        return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0)
        return fail(errno);

    FileDescriptor directory(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.get() < 0 || ::fsync(directory.get()) != 0)
        return store_error(system_text(errno));
    return {};
}

SyncErrorOr<std::filesystem::path> peer_store_path()
{
    std::filesystem::path base;
    if (char const* state = std::getenv("XDG_STATE_HOME")) {
        base = state;
    } else {
        char const* home = std::getenv("HOME");
        if (!home || !*home) {
            passwd const* entry = ::getpwuid(::getuid());
            home = entry ? entry->pw_dir : nullptr;
        }
        if (!home || !*home)
            return store_error("no private state directory is available");
        base = std::filesystem::path(home) / ".local" / "state";
    }
    return base / "kaso-vexa" / "grayjay-peers.json";
}

}
