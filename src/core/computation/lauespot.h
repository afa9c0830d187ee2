// One Laue spot: a primitive reflection that reaches the film, with the harmonics that
// diffract into the same direction; and the list of a pattern's spots, whose harmonics share
// one pool.
#pragma once

#include "core/platform/largeblocks.h"

#include <cstddef>
#include <cstdint>
#include <limits>
#include <new>
#include <span>
#include <vector>

namespace xtalsp {

// Harmonic n of a spot is the reflection (n h, n k, n l); its wavelength is the spot's
// wavelength / n and its d-spacing the spot's dSpacing / n.
struct HarmonicComponent {
    std::int32_t order = 1;
    double structureFactorSquared = 0.0; // |F|^2 of (n h, n k, n l)
    double intensity = 0.0;

    bool operator==(const HarmonicComponent&) const = default;
};

// A spot's harmonics live in the pool of the SpotList that holds it; the spot itself knows how
// many there are and the lowest order, so drawing and labelling never reach into the pool.
struct LaueSpot {
    std::int32_t h = 0, k = 0, l = 0; // primitive indices, no common factor
    // The lowest kept order: views and listings label the spot with it times (h k l). 1 for a
    // spot without harmonics, which stands for its primitive reflection.
    std::int32_t labelOrder = 1;
    double x = 0.0, y = 0.0; // film units from the film centre, x along e2, y along e3
    double wavelength = 0.0; // Angstrom, at which the primitive (n = 1) would diffract
    double intensity = 0.0;  // sum of the kept harmonics' intensities
    double dSpacing = 0.0;   // Angstrom, 1/|G| of the primitive reflection
    // Where the kept harmonics lie in the list's pool, in increasing order. Set by SpotList.
    std::uint32_t firstHarmonic = 0;
    std::int32_t harmonicCount = 0;

    bool operator==(const LaueSpot&) const = default;
};

// The spots of a pattern in order, with all their harmonics in one pool: a list of millions of
// spots costs two blocks, not one per spot. Reads like a contiguous range of LaueSpot, so it
// passes as std::span<const LaueSpot> to whatever needs positions and labels only.
class SpotList {
public:
    std::size_t size() const { return m_spots.size(); }
    bool empty() const { return m_spots.empty(); }
    const LaueSpot* data() const { return m_spots.data(); }
    const LaueSpot* begin() const { return m_spots.data(); }
    const LaueSpot* end() const { return m_spots.data() + m_spots.size(); }
    const LaueSpot& operator[](std::size_t index) const { return m_spots[index]; }
    const LaueSpot& back() const { return m_spots.back(); }
    std::size_t harmonicTotal() const { return m_harmonics.size(); }

    // The harmonics of a spot of this list. A spot whose range lies outside the pool (one from
    // another list) reads as having none rather than reading past the pool.
    std::span<const HarmonicComponent> harmonicsOf(const LaueSpot& spot) const {
        const std::size_t first = spot.firstHarmonic;
        const auto count = static_cast<std::size_t>(spot.harmonicCount);
        if (spot.harmonicCount < 0 || first > m_harmonics.size() ||
            count > m_harmonics.size() - first)
            return {};
        return std::span<const HarmonicComponent>(m_harmonics).subspan(first, count);
    }

    // Appends a spot with its harmonics (increasing orders); the spot's pool range, count and
    // label order are taken from them.
    void append(LaueSpot spot, std::span<const HarmonicComponent> harmonics) {
        spot.firstHarmonic = poolIndex(harmonics.size());
        spot.harmonicCount = static_cast<std::int32_t>(harmonics.size());
        spot.labelOrder = harmonics.empty() ? 1 : harmonics.front().order;
        m_harmonics.insert(m_harmonics.end(), harmonics.begin(), harmonics.end());
        m_spots.push_back(spot);
    }

    // Appends all spots of another list behind this one's, their pool ranges moved along.
    void append(const SpotList& other) {
        const std::uint32_t offset = poolIndex(other.m_harmonics.size());
        m_harmonics.insert(m_harmonics.end(), other.m_harmonics.begin(), other.m_harmonics.end());
        const std::size_t first = m_spots.size();
        m_spots.insert(m_spots.end(), other.m_spots.begin(), other.m_spots.end());
        for (std::size_t i = first; i < m_spots.size(); ++i)
            m_spots[i].firstHarmonic += offset;
    }

    void reserve(std::size_t spots, std::size_t harmonics) {
        m_spots.reserve(spots);
        m_harmonics.reserve(harmonics);
    }
    // Empties the list but keeps both blocks, for its next spots to fill without allocating.
    void removeAll() {
        m_spots.clear();
        m_harmonics.clear();
    }
    // Empties the list and gives the memory of both blocks back.
    void clear() {
        Spots().swap(m_spots);
        Harmonics().swap(m_harmonics);
    }

    bool operator==(const SpotList&) const = default;

private:
    // The pool index at which `added` more harmonics would start. A spot names its first
    // harmonic with 32 bits; a pool beyond that (some 100 GB) fails as memory does.
    std::uint32_t poolIndex(std::size_t added) const {
        constexpr std::size_t kLimit = std::numeric_limits<std::uint32_t>::max();
        if (m_harmonics.size() > kLimit || added > kLimit - m_harmonics.size())
            throw std::bad_alloc();
        return static_cast<std::uint32_t>(m_harmonics.size());
    }

    using Spots = std::vector<LaueSpot, LargeBlockAllocator<LaueSpot>>;
    using Harmonics = std::vector<HarmonicComponent, LargeBlockAllocator<HarmonicComponent>>;
    Spots m_spots;
    Harmonics m_harmonics;
};

} // namespace xtalsp
