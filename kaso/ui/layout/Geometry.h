#pragma once

#include <cmath>
#include <cstdint>
#include <optional>

namespace kaso::layout {

// The largest length the engine works with. Larger lengths are taken as this one, so sums of
// many boxes stay finite instead of turning into infinities and NaNs.
inline constexpr float max_length = 1.0e9f;

// A width and a height. `Size<float>` holds pixels; `Size<std::optional<float>>` holds sizes
// that may be unknown; `Size<AvailableSpace>` holds the space offered along each axis.
template<typename T = float>
struct Size {
    T width {};
    T height {};

    bool operator==(Size const&) const = default;
};

// Four sides of a box, in the order CSS names them: left, top, right, bottom.
template<typename T = float>
struct Edges {
    T left {};
    T top {};
    T right {};
    T bottom {};

    bool operator==(Edges const&) const = default;
};

// The space a parent offers a node along one axis: a definite number of pixels, or a request
// for the node's min-content or max-content size.
//
// Bad input: a NaN or negative definite value is taken as 0; an infinite one means "as much as
// the content wants" and becomes max-content; a finite one above `max_length` is `max_length`.
class AvailableSpace {
public:
    enum class Kind : uint8_t {
        Definite,
        MinContent,
        MaxContent,
    };

    constexpr AvailableSpace() = default;

    static AvailableSpace definite(float pixels)
    {
        if (std::isinf(pixels))
            return max_content();
        AvailableSpace space;
        space.m_kind = Kind::Definite;
        space.m_value = (std::isnan(pixels) || pixels < 0.0f) ? 0.0f : std::fmin(pixels, max_length);
        return space;
    }
    static constexpr AvailableSpace min_content() { return AvailableSpace(Kind::MinContent); }
    static constexpr AvailableSpace max_content() { return AvailableSpace(Kind::MaxContent); }

    constexpr Kind kind() const { return m_kind; }
    constexpr bool is_definite() const { return m_kind == Kind::Definite; }
    constexpr bool is_min_content() const { return m_kind == Kind::MinContent; }
    constexpr bool is_max_content() const { return m_kind == Kind::MaxContent; }

    // The definite value in pixels; 0 for min-content and max-content.
    constexpr float value() const { return m_value; }
    constexpr std::optional<float> as_optional() const
    {
        return is_definite() ? std::optional<float>(m_value) : std::nullopt;
    }

    constexpr bool operator==(AvailableSpace const&) const = default;

private:
    constexpr explicit AvailableSpace(Kind kind)
        : m_kind(kind)
    {
    }

    Kind m_kind { Kind::MaxContent };
    float m_value { 0.0f };
};

}
