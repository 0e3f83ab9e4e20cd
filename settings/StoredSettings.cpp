#include "settings/StoredSettings.h"

#include "settings/SettingsStore.h"
#include "synth/NumberText.h"

#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>

namespace quavril {

namespace {

// The texts whose fields are validated leniently when left (a comma is a decimal mark, an
// unreadable text falls back to the field's default). The other stored texts (frequencies,
// phase, modulation periods, the slider window's fields) are read strictly.
bool LenientlyRead(std::string_view name) {
    for (const char* lenient :
         {setting_names::Duration, setting_names::AmplitudeLeft, setting_names::AmplitudeRight,
          setting_names::ModDepthLeftEdit, setting_names::ModDepthRightEdit,
          setting_names::ModPhaseLeftEdit, setting_names::ModPhaseRightEdit})
        if (EqualNames(name, lenient))
            return true;
    return false;
}

// Whether a stored text is one its field takes: a number the field's own reading accepts, as
// a 32-bit float (what every field holds), in at most the 255 characters a control's text is
// kept with. The empty text is what a missing value reads as, and is taken as the missing
// one is.
bool Accepted(std::string_view name, const std::string& text) {
    if (text.empty())
        return true;
    if (text.size() > 255)
        return false;
    if (LenientlyRead(name))
        return ParseNumber(text).has_value();
    const auto value = ParsePlain(text);
    return value && std::fabs(*value) <= std::numeric_limits<float>::max();
}

// A stored text as a damage report shows it: short, printable ASCII.
std::string Excerpt(const std::string& text) {
    std::string shown;
    for (char c : text.substr(0, 24))
        shown += c >= ' ' && c <= '~' ? c : '?';
    return "'" + shown + (text.size() > 24 ? "...'" : "'");
}

// One reading in the start order. Each Apply* reads a value and applies it; the first value
// that is missing or damaged makes every later call do nothing. A damaged value (one that is
// there but unreadable or refused) is also told to the store, which keeps the file aside.
class Reading {
public:
    Reading(SettingsStore& store, Generator& g, OutsideSettings& outside)
        : store_(store), g_(g), outside_(outside) {}

    bool Ok() const { return ok_; }

    std::optional<int32_t> Integer(std::string_view name) {
        if (!ok_)
            return std::nullopt;
        const auto value = store_.ReadInt(name);
        if (!value && store_.Contains(name))
            Damaged(name, "is not a whole number");
        ok_ = value.has_value();
        return value;
    }

    // Applies the value of a stored name to its control or outside setting.
    void Apply(std::string_view name) {
        const SettingRow* row = RowOfStoredName(name);
        if (!ok_ || !row)
            return;
        if (row->Kind == SettingKind::Text) {
            const auto stored = store_.ReadText(name);
            if (store_.Contains(name) && !stored)
                return Damaged(name, "is not a text");
            const std::string text = stored.value_or("");
            if (!Accepted(name, text))
                return Damaged(name, Excerpt(text) + " is not a number it takes");
            if (row->Field >= 0)
                g_.SetText(static_cast<TextField>(row->Field), text);
            else
                outside_.SetText(name, text);
            return;
        }
        const auto value = Integer(name);
        if (!value)
            return;
        if (row->Field < 0) {
            if (row->Kind == SettingKind::Flag)
                outside_.SetFlag(name, *value != 0);
            else
                outside_.SetInteger(name, *value);
        } else if (row->Kind == SettingKind::Flag) {
            g_.SetFlag(static_cast<FlagField>(row->Field), *value != 0);
        } else if (row->StoredAsMono) {
            g_.SetIndex(IndexField::cboChannels, *value != 0 ? MONO : STEREO);
            g_.ChannelsChange();
        } else {
            ApplyPosition(static_cast<IndexField>(row->Field), *value);
        }
    }
    void Apply(std::initializer_list<std::string_view> names) {
        for (std::string_view name : names)
            Apply(name);
    }

private:
    void Damaged(std::string_view name, const std::string& what) {
        ok_ = false;
        store_.MarkDamaged(std::string(name) + " " + what);
    }

    // A list position outside its list is a damaged value.
    void ApplyPosition(IndexField field, int32_t position) {
        const bool wave = field == IndexField::WaveFormLeft || field == IndexField::WaveFormRight;
        const int32_t count = wave ? WaveformCount : ModFunctionCount;
        if (position < 0 || position >= count)
            return Damaged(NameOf(field), std::to_string(position) + " is not in its list");
        g_.SetIndex(field, position);
        if (wave)
            g_.WaveFormChange(ChannelOf(field));
    }

    SettingsStore& store_;
    Generator& g_;
    OutsideSettings& outside_;
    bool ok_ = true;
};

} // namespace

bool StoredSettings::Load(SettingsStore& store, Generator& g, OutsideSettings& outside,
                          const std::function<void()>& reset) {
    Reading r(store, g, outside);
    // The device position comes first, so that its absence stops the reading; it is applied
    // with the other outside values, once the lists are set.
    r.Integer("WaveDevice");
    r.Apply({"Duration", "Loop", "BidirectionalLeft", "BidirectionalRight", "LogarithmicLeft",
             "LogarithmicRight", "mono", "LeftTick", "RightTick", "PhaseEdit", "AmplitudeLeft",
             "AmplitudeRight", "ModulationOnLeft", "ModulationOnRight"});
    r.Apply({"ModPeriodLeftEdit", "ModDepthLeftEdit", "ModFunctionLeft", "ModPhaseLeftEdit",
             "ModPeriodRightEdit", "ModDepthRightEdit", "ModFunctionRight", "ModPhaseRightEdit"});
    r.Apply({"WaveFormLeft", "WaveFormRight", "WaveDevice", "PresetAutoStart", "frmFreqSlider",
             "frmFrequencyDisplay", "FormX", "FormY", "DisplayX", "DisplayY", "DisplayW", "SliderX",
             "SliderY", "SliderW", "MinFreqEdit", "MaxFreqEdit", "txtRound"});
    for (Channel c : {Channel::Left, Channel::Right}) {
        r.Apply(RowOf(ConstantOf(c)).Stored); // the sweep radio is its opposite
        if (r.Ok())
            g.ConstantClick(c);
    }
    for (TextField f : {TextField::fInitLeft, TextField::fFinalLeft, TextField::fInitRight,
                        TextField::fFinalRight}) {
        r.Apply(RowOf(f).Stored);
        if (r.Ok())
            g.ExitEdit(f);
    }
    if (!r.Ok())
        reset();
    g.DeriveSweep(Channel::Left);
    g.DeriveSweep(Channel::Right);
    g.ModulationOnClick(Channel::Left);
    g.ModulationOnClick(Channel::Right);
    return r.Ok();
}

bool StoredSettings::Save(SettingsStore& store, const Generator& g,
                          const OutsideSettings& outside) {
    for (const SettingRow& row : SettingsTable()) {
        if (row.Stored.empty())
            continue;
        const bool control = row.Field >= 0;
        switch (row.Kind) {
        case SettingKind::Text:
            store.WriteText(row.Stored, control ? g.Text(static_cast<TextField>(row.Field))
                                                : outside.Text(row.Stored));
            break;
        case SettingKind::Flag:
            store.WriteFlag(row.Stored, control ? g.Flag(static_cast<FlagField>(row.Field))
                                                : outside.Flag(row.Stored));
            break;
        case SettingKind::Position:
        case SettingKind::Integer:
            if (!control)
                store.WriteInt(row.Stored, outside.Integer(row.Stored));
            else if (row.StoredAsMono)
                store.WriteFlag(row.Stored, g.Index(IndexField::cboChannels) == MONO);
            else
                store.WriteInt(row.Stored, g.Index(static_cast<IndexField>(row.Field)));
            break;
        }
    }
    return store.Sync();
}

} // namespace quavril
