#pragma once

#include "entry_controller.h"
#include "entry_view.h"
#include "name_list_lines.h"
#include "typed_entry.h"

#include <array>
#include <string>
#include <vector>

// An EntryView of plain strings for the toolkit-free tests: it keeps what the
// controller shows and does, so that a session can be driven and checked
// without a window. It draws nothing and decides nothing; the name list is
// the names read, nothing more.

namespace pintwise {

struct PlainEntryView final : EntryView {
    std::array<std::u16string, kFieldCount> fields;
    std::string captions[2] = { "New", "Delete" };
    bool shown = false;
    bool closed = false;
    bool listOpen = false;
    int listFillings = 0;
    std::vector<std::u16string> listNames;
    EntryController* controller = nullptr;

    // Types entry `name` (typed_entry.h) into every field.
    void type(const std::string& name)
    {
        for (int f = 0; f < kFieldCount; ++f)
            fields[static_cast<std::size_t>(f)] = typedText(name, f);
    }

    std::u16string fieldText(Field field) const override { return fields[static_cast<std::size_t>(field)]; }
    void setFieldText(Field field, std::u16string_view text) override
    {
        fields[static_cast<std::size_t>(field)] = text;
    }
    void setActionCaption(int index, std::string_view caption) override { captions[index] = caption; }
    void showWindow() override { shown = true; }
    void requestClose() override { closed = closed || controller->closeRequested(); }
    Status openNameList(LogStore& store) override
    {
        if (listOpen)
            return {};
        listOpen = true;
        ++listFillings;
        listNames.clear();
        return readNames(store, [&](std::u16string_view name) { listNames.emplace_back(name); });
    }
    void closeNameList() override { listOpen = false; }
};

} // namespace pintwise
