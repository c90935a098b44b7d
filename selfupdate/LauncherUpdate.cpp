#include "selfupdate/LauncherUpdate.h"

#include "core/LauncherError.h"
#include "selfupdate/SelfUpdateCore.h"

namespace novra {

void LauncherUpdate::validate() const {
    release.validate();
    require(schema == 1 && build >= 1 && release.bundleID == SelfUpdateCore::kBundleID &&
                release.app == SelfUpdateCore::kBundleName,
            "Неверное обновление лаунчера");
}

LauncherUpdate LauncherUpdate::decode(const JsonObject& o) {
    LauncherUpdate u;
    u.schema = o.integer("schema");
    u.build = o.integer("build");
    u.release = Release::decode(o.object("release"));
    return u;
}

LauncherUpdate LauncherUpdate::fromJSON(std::string_view text) {
    Json document = parseJson(text);
    return decode(JsonObject(document, ""));
}

Json LauncherUpdate::encode() const { return Json{{"schema", schema}, {"build", build}, {"release", release.encode()}}; }

LauncherUpdatePlan LauncherUpdatePlan::decode(const JsonObject& o) {
    LauncherUpdatePlan p;
    p.target = o.string("target");
    p.candidate = o.string("candidate");
    p.update = LauncherUpdate::decode(o.object("update"));
    p.originalHash = o.string("originalHash");
    return p;
}

LauncherUpdatePlan LauncherUpdatePlan::fromJSON(std::string_view text) {
    Json document = parseJson(text);
    return decode(JsonObject(document, ""));
}

Json LauncherUpdatePlan::encode() const {
    return Json{{"target", target}, {"candidate", candidate}, {"update", update.encode()}, {"originalHash", originalHash}};
}

} // namespace novra
