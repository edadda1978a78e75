#pragma once

// The result of a step that can fail for a reason a person should read:
// success, or failure with the reason ("No space left on the device.").
// Steps of the conversion pipeline return it; the reason travels with it up
// to the row's status text.

#include <string>
#include <utility>

namespace sonivert {

class [[nodiscard]] Outcome {
public:
    // A plain true or false: success, or failure without a reason (the
    // caller may know one).
    Outcome(bool ok = true) : m_ok(ok) {}

    static Outcome failure(std::string reason)
    {
        Outcome o(false);
        o.m_reason = std::move(reason);
        return o;
    }

    explicit operator bool() const { return m_ok; }
    bool ok() const { return m_ok; }
    // Empty on success, and on a failure without a reason.
    const std::string& reason() const { return m_reason; }

    // A line for the person on a success that has something to add ("the
    // loudness target could not be reached"); empty otherwise.
    const std::string& note() const { return m_note; }
    Outcome withNote(std::string note) const
    {
        Outcome o = *this;
        o.m_note = std::move(note);
        return o;
    }

    // This failure, with reason in place of an empty one.
    Outcome orBecause(const std::string& reason) const
    {
        return m_ok || !m_reason.empty() ? *this : failure(reason);
    }

private:
    bool m_ok = true;
    std::string m_reason;
    std::string m_note;
};

} // namespace sonivert
