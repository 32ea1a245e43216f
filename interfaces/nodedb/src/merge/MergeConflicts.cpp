#include <db/MergeConflicts.h>

#include "ConflictResolution.h"

#include <db/ChangeBlock.h>
#include <db/Database.h>
#include <db/StringArrayAttribute.h>

namespace db
{

namespace
{

// A record is its five texts joined by tabs; tabs, line breaks and
// backslashes inside them are escaped so that a record stays one element.
std::wstring escape(const std::wstring& text)
{
    std::wstring out;
    for (wchar_t c : text)
    {
        if (c == L'\\')
            out += L"\\\\";
        else if (c == L'\t')
            out += L"\\t";
        else if (c == L'\n')
            out += L"\\n";
        else
            out += c;
    }
    return out;
}

std::vector<std::wstring> unescapeFields(const std::wstring& record)
{
    std::vector<std::wstring> fields(1);
    for (std::size_t i = 0; i < record.size(); ++i)
    {
        const wchar_t c = record[i];
        if (c == L'\t')
            fields.emplace_back();
        else if (c == L'\\' && i + 1 < record.size())
        {
            const wchar_t next = record[++i];
            fields.back() += next == L't' ? L'\t' : next == L'n' ? L'\n' : next;
        }
        else
            fields.back() += c;
    }
    return fields;
}

StringArrayAttribute* records(const Database& database)
{
    Attribute* found = database.findAttribute(MergeConflicts::attributeName());
    return found && found->isDynamic() ? found->asStringArrayAttribute() : nullptr;
}

} // namespace

const std::wstring& MergeConflicts::attributeName()
{
    static const std::wstring name = L"mergeConflicts";
    return name;
}

std::vector<MergeConflict> MergeConflicts::read(const Database& database)
{
    std::vector<MergeConflict> conflicts;
    if (const StringArrayAttribute* stored = records(database))
        for (const std::wstring& record : stored->getValues())
        {
            std::vector<std::wstring> fields = unescapeFields(record);
            fields.resize(5);
            conflicts.push_back({fields[0], fields[1], fields[2], fields[3], fields[4]});
        }
    return conflicts;
}

void MergeConflicts::write(Database& database, const std::vector<MergeConflict>& conflicts)
{
    StringArrayAttribute* stored = records(database);
    if (conflicts.empty())
    {
        if (stored)
            database.removeAttribute(stored);
        return;
    }
    if (!stored)
        stored = database.addDynamicStringArray(attributeName(), L"");
    std::vector<std::wstring> texts;
    texts.reserve(conflicts.size());
    for (const MergeConflict& conflict : conflicts)
        texts.push_back(escape(conflict.what) + L"\t" + escape(conflict.where) + L"\t" + escape(conflict.base) + L"\t" +
                        escape(conflict.ours) + L"\t" + escape(conflict.theirs));
    stored->setValues(std::move(texts));
}

bool MergeConflicts::resolve(Database& database, std::size_t index, Side side, std::wstring& why)
{
    std::vector<MergeConflict> conflicts = read(database);
    if (index >= conflicts.size())
    {
        why = L"no such conflict";
        return false;
    }
    const MergeConflict conflict = conflicts[index];
    if (!detail::canApply(database, conflict, side, why))
        return false;
    // A text that does not set changes nothing, so the block then ends empty.
    ChangeBlock block(database, L"Resolve conflict");
    if (!detail::apply(database, conflict, side, why))
        return false;
    conflicts.erase(conflicts.begin() + static_cast<std::ptrdiff_t>(index));
    write(database, conflicts);
    return true;
}

bool MergeConflicts::canResolve(const Database& database, std::size_t index, Side side, std::wstring& why)
{
    const std::vector<MergeConflict> conflicts = read(database);
    if (index < conflicts.size())
        return detail::canApply(database, conflicts[index], side, why);
    why = L"no such conflict";
    return false;
}

std::wstring MergeConflicts::format(const MergeConflict& conflict)
{
    return conflict.what + L" " + conflict.where + L": base " + conflict.base + L", ours " + conflict.ours +
           L", theirs " + conflict.theirs;
}

} // namespace db
