#pragma once

#include <cstdint>
#include "base/ErrorOr.h"
#include <nlohmann/json.hpp>
#include <string>

#include "kaso/actions/ActionHost.h"
#include "kaso/actions/DocumentAction.h"
#include "kaso/actions/EncodedAction.h"
#include "kaso/actions/Executor.h"

namespace automerge {
class Document;
}

namespace vexa {

// One change to the owner-local history document. Layout it writes:
//   "owner_history" (map)
//     "entries" / <video id>      text: HistoryEntryRecord JSON
//     "clears" / <clear id>       text: decimal epoch ms
//     "legacy_shared_migration_v1" boolean true once the legacy history was moved here
class OwnerHistoryAction final : public kaso::actions::DocumentAction {
public:
    static constexpr std::string_view kind = "vexa.owner-history.action";

    struct SetEntry {
        std::string video_id;
        uint64_t watched_at_ms { 0 };
        bool present { true };
        std::string mutation_id;
        bool operator==(SetEntry const&) const = default;
    };
    struct Clear {
        uint64_t cleared_at_ms { 0 };
        std::string clear_id;
        bool operator==(Clear const&) const = default;
    };
    struct LegacyMigrationComplete {
        bool operator==(LegacyMigrationComplete const&) const = default;
    };
    enum class Kind : uint8_t { SetEntry, Clear, LegacyMigrationComplete };

    OwnerHistoryAction(SetEntry entry)
        : m_kind(Kind::SetEntry)
        , m_entry(std::move(entry))
    {
    }
    OwnerHistoryAction(Clear clear)
        : m_kind(Kind::Clear)
        , m_clear(std::move(clear))
    {
    }
    OwnerHistoryAction(LegacyMigrationComplete)
        : m_kind(Kind::LegacyMigrationComplete)
    {
    }

    // The actions the program makes, with their identifiers: "<owner>:watch:<video>:<now>",
    // "<owner>:remove:<video>:<now>", "<owner>:clear:all:<now>", "<owner>:device-sync:<video>:<at>".
    static OwnerHistoryAction watch(std::string_view owner, std::string_view video_id, uint64_t now_ms);
    static OwnerHistoryAction remove(std::string_view owner, std::string_view video_id, uint64_t now_ms);
    static OwnerHistoryAction clear_all(std::string_view owner, uint64_t now_ms);
    static OwnerHistoryAction device_sync(std::string_view owner, std::string_view video_id, uint64_t watched_at_ms);

    Kind kind_of() const { return m_kind; }
    // The fields of the variant it is, else nothing.
    SetEntry const* set_entry() const { return m_kind == Kind::SetEntry ? &m_entry : nullptr; }
    Clear const* clear() const { return m_kind == Kind::Clear ? &m_clear : nullptr; }
    // "SetEntry", "Clear" or "LegacyMigrationComplete".
    std::string_view variant_name() const;

    // The externally tagged JSON form: {"SetEntry":{…}}, {"Clear":{…}}, "LegacyMigrationComplete".
    nlohmann::ordered_json to_json_value() const;
    std::string to_json_text() const;
    kaso::actions::EncodedAction to_encoded_action() const;
    // The request the store dispatches with: provenance, title and a label of the variant.
    kaso::actions::ActionContext dispatch_context() const;

    std::string debug_text() const override;
    kaso::ErrorOr<void> encode(automerge::Transaction& transaction) const override;

    bool operator==(OwnerHistoryAction const& other) const
    {
        return m_kind == other.m_kind && (m_kind != Kind::SetEntry || m_entry == other.m_entry) && (m_kind != Kind::Clear || m_clear == other.m_clear);
    }

private:
    // A plain tagged record rather than a std::variant: GCC 12 reports false "may be used
    // uninitialized" warnings for variants of strings, and warnings are errors.
    Kind m_kind;
    SetEntry m_entry;
    Clear m_clear;
};

// The provenance resource the history's dispatches name.
inline constexpr std::string_view history_resource_id = "org.kaso.vexa.owner-history";
inline constexpr std::string_view history_resource_title = "Vexa owner-local history";

// Dispatches the action onto the history document through the runtime's transactional dispatch:
// written by `OwnerHistoryAction::encode` inside one transaction, committed on success, rolled
// back whole on failure.
base::ErrorOr<kaso::actions::executor::DispatchOutcome, kaso::actions::ActionError> dispatch_history_action_with_context(
    automerge::Document& document, OwnerHistoryAction const& action, kaso::actions::ActionContext const& context);

}
