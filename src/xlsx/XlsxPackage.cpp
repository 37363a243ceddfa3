#include "XlsxPackage.h"

#include <zip.h>

#include <sstream>

namespace nax::xlsx {

namespace {

constexpr zip_uint32_t kCompressionLevel = 6;

std::string zipMessage(zip_error_t* error) {
    return zip_error_strerror(error);
}
// The text of the code zip_open gave back.
std::string zipOpenMessage(int code) {
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string message = zipMessage(&error);
    zip_error_fini(&error);
    return message;
}
Result<void> readEntry(zip_t* archive, zip_uint64_t index, uint64_t declared, std::string& data,
                       const std::string& refuse) {
    zip_file_t* file = zip_fopen_index(archive, index, 0);
    if (!file)
        return Error{0,
                     refuse + "it is not a readable workbook (" + zipMessage(zip_get_error(archive)) + ")."};
    data.resize(static_cast<size_t>(declared));
    uint64_t filled = 0;
    char extra[1];
    for (;;) {
        const bool full = filled == declared;
        const zip_int64_t read =
            full ? zip_fread(file, extra, 1) : zip_fread(file, data.data() + filled, declared - filled);
        if (read < 0) {
            const std::string message = zipMessage(zip_file_get_error(file));
            zip_fclose(file);
            return Error{0, refuse + "it is not a readable workbook (" + message + ")."};
        }
        if (read == 0) break;
        if (full) { // more data than the entry declares
            zip_fclose(file);
            return Error{0, refuse + "an entry holds more than it declares."};
        }
        filled += static_cast<uint64_t>(read);
    }
    zip_fclose(file);
    if (filled != declared) return Error{0, refuse + "an entry holds less than it declares."};
    return success();
}

} // namespace

// Folder part of a package path, with its slash: "xl/workbook.xml" -> "xl/".
std::string folderOf(std::string_view part) {
    const size_t slash = part.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(part.substr(0, slash + 1));
}
std::string relationshipsOf(std::string_view part) {
    const size_t slash = part.rfind('/');
    const std::string_view file = slash == std::string_view::npos ? part : part.substr(slash + 1);
    return folderOf(part) + "_rels/" + std::string(file) + ".rels";
}
// A relationship's target as a path inside the package.
std::string resolvePart(std::string_view source, std::string_view target) {
    std::string joined = !target.empty() && target.front() == '/' ? std::string(target.substr(1))
                                                                  : folderOf(source) + std::string(target);
    std::vector<std::string> segments;
    std::stringstream parts(joined);
    for (std::string segment; std::getline(parts, segment, '/');) {
        if (segment.empty() || segment == ".") continue;
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
            continue;
        }
        segments.push_back(segment);
    }
    std::string resolved;
    for (const auto& segment : segments)
        resolved += (resolved.empty() ? "" : "/") + segment;
    return resolved;
}
bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}
Result<void> parseXml(const std::string& data, pugi::xml_document& doc, const std::string& refuse,
                      const std::string& part) {
    const pugi::xml_parse_result parsed = doc.load_buffer(data.data(), data.size(), kParseFlags);
    if (!parsed)
        return Error{0, refuse + "its part " + part + " is not well-formed (" + parsed.description() + ")."};
    for (pugi::xml_node child : doc.children()) {
        if (child.type() == pugi::node_doctype)
            return Error{0, refuse + "its part " + part + " declares a document type or entities."};
        if (child.type() == pugi::node_declaration && child.attribute("encoding"))
            child.attribute("encoding") = "UTF-8"; // written back as UTF-8 whatever it was read as
    }
    return success();
}

std::string serialize(const pugi::xml_document& doc) {
    std::ostringstream out;
    doc.save(out, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return out.str();
}

void setCount(pugi::xml_node list) {
    const auto count = std::distance(list.children().begin(), list.children().end());
    (list.attribute("count") ? list.attribute("count") : list.append_attribute("count")) =
        static_cast<long long>(count);
}
pugi::xml_node childAt(pugi::xml_node list, int index) {
    int i = 0;
    for (pugi::xml_node child : list.children())
        if (i++ == index) return child;
    return {};
}
// Inserts a child named `name` before the first child named in `followers`, else at the end.
pugi::xml_node insertBeforeAny(pugi::xml_node parent, const char* name,
                               std::initializer_list<const char*> followers) {
    for (pugi::xml_node child : parent.children())
        for (const char* follower : followers)
            if (std::string_view(child.name()) == follower) return parent.insert_child_before(name, child);
    return parent.append_child(name);
}
pugi::xml_attribute attribute(pugi::xml_node node, const char* name) {
    pugi::xml_attribute found = node.attribute(name);
    return found ? found : node.append_attribute(name);
}
XlsxPackage::Entry* XlsxPackage::find(const std::string& name) {
    const auto found = byName_.find(name);
    return found == byName_.end() || entries_[found->second].removed ? nullptr : &entries_[found->second];
}

Result<std::unique_ptr<XlsxPackage>> XlsxPackage::read(const std::filesystem::path& path,
                                                       const std::string& refuse) {
    std::error_code ec;
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec) return Error{0, refuse + ec.message() + "."};
    if (bytes > kMaxPackageBytes) return Error{0, refuse + "the file is too large for a template."};

    int code = 0;
    zip_t* archive = zip_open(path.string().c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
    if (!archive) return Error{0, refuse + "it is not a workbook (" + zipOpenMessage(code) + ")."};
    auto package = std::make_unique<XlsxPackage>();
    const zip_int64_t count = zip_get_num_entries(archive, 0);
    Result<void> read =
        count > kMaxEntries ? Result<void>(Error{0, refuse + "it holds too many parts."}) : success();
    uint64_t total = 0;
    for (zip_int64_t i = 0; read && i < count; ++i) {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive, static_cast<zip_uint64_t>(i), 0, &stat) != 0 || !stat.name ||
            !(stat.valid & ZIP_STAT_SIZE)) {
            read = Error{0, refuse + "it is not a readable workbook."};
            break;
        }
        total += stat.size;
        if (stat.size > kMaxEntryBytes || total > kMaxTotalBytes) {
            read = Error{0, refuse + "its parts are too large for a template."};
            break;
        }
        Entry entry{stat.name, {}, false};
        if (entry.name.empty() || entry.name.back() == '/') continue; // folders
        read = readEntry(archive, static_cast<zip_uint64_t>(i), stat.size, entry.data, refuse);
        package->byName_[entry.name] = package->entries_.size();
        package->entries_.push_back(std::move(entry));
    }
    zip_discard(archive);
    if (!read) return read.error();
    return package;
}

Result<void> XlsxPackage::write(const std::filesystem::path& path, const std::string& failed) const {
    int code = 0;
    zip_t* archive = zip_open(path.string().c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (!archive) return Error{0, failed + zipOpenMessage(code) + "."};
    for (const Entry& entry : entries_) {
        if (entry.removed) continue;
        zip_source_t* source = zip_source_buffer(archive, entry.data.data(), entry.data.size(), 0);
        const zip_int64_t added =
            source ? zip_file_add(archive, entry.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        // The middle level, as spreadsheet programs write: the best one takes several times as long
        // on a year's rows for a few per cent.
        if (added < 0 || zip_set_file_compression(archive, static_cast<zip_uint64_t>(added), ZIP_CM_DEFLATE,
                                                  kCompressionLevel) != 0) {
            if (source && added < 0) zip_source_free(source);
            const std::string message = zipMessage(zip_get_error(archive));
            zip_discard(archive);
            return Error{0, failed + message + "."};
        }
    }
    if (zip_close(archive) != 0) {
        const std::string message = zipMessage(zip_get_error(archive));
        zip_discard(archive);
        return Error{0, failed + message + "."};
    }
    return success();
}

} // namespace nax::xlsx
