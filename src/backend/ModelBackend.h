#pragma once

#include <memory>
#include <optional>

#include "src/backend/ContentBackend.h"
#include "src/model/VexaModel.h"

namespace vexa {

// The backend interface answered from a model: the offline sample backend, and the action
// palette's content search. It reads the model and never changes it.
class ModelBackend final : public ContentBackend {
public:
    // Owns its model.
    explicit ModelBackend(VexaModel model)
        : m_owned(std::move(model))
        , m_model(&*m_owned)
    {
    }
    // Reads a model that the caller keeps alive and unchanged while the backend is used.
    static ModelBackend borrowing(VexaModel const& model) { return ModelBackend(&model); }

    ModelBackend(ModelBackend const&) = delete;
    ModelBackend& operator=(ModelBackend const&) = delete;
    ModelBackend(ModelBackend&& other) noexcept
        : m_owned(std::move(other.m_owned))
        , m_model(m_owned ? &*m_owned : other.m_model)
    {
    }
    ModelBackend& operator=(ModelBackend&&) = delete;

    VexaModel const& model() const { return *m_model; }

    std::string name() const override { return "offline sample"; }
    BackendResult<FetchResult> search(std::string_view query) override;
    BackendResult<FetchResult> video(std::string_view id) override;
    BackendResult<FetchResult> channel(std::string_view id) override;
    BackendResult<FetchResult> related(std::string_view id) override;
    BackendResult<FetchResult> trending() override;

private:
    explicit ModelBackend(VexaModel const* model)
        : m_model(model)
    {
    }

    std::optional<VexaModel> m_owned;
    VexaModel const* m_model { nullptr };
};

// The sample catalogue as an owned backend.
std::unique_ptr<ContentBackend> sample_backend();

}
