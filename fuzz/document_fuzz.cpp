// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as a graph document and as a settings file, then
// saves the document and loads it again: loading must never crash, hang or
// allocate without bound, and what was loaded must survive its own save.
// Parameters must load repaired or not at all, and come back the same; data
// sets must load whole or not at all.
// A 3D document then builds its meshes, as --render does (declining every
// long mesh): hostile ranges and steps must be refused, not exhaust memory.
#include <cstddef>
#include <cstdint>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/document/graph_document.h"
#include "core/document/parameter_cells.h"
#include "core/plot/mesh3d.h"
#include "core/settings/settings.h"
#include "core/support/exceptions.h"
#include "core/support/ini_file.h"

using namespace curvane;

namespace {

struct TDecliningDialog : TMeshDialog {
    bool ConfirmLongMesh(const std::string&, double) override { return false; }
    void RefuseRange(const std::string&) override {}
};

// The first few functions only: each mesh below the long-mesh question is
// built without asking, and a window's many such meshes together (up to the
// refusal limit) would outgrow the fuzzer's memory limit under the sanitizers
// without testing anything the first few do not.
constexpr int MeshedFunctions = 3;

void BuildMeshes(TGraphDocument doc) {
    while (doc.Functions.Count() > MeshedFunctions) doc.Functions.Delete(doc.Functions.Count() - 1);
    std::vector<TMesh> meshes;
    TViewBox3D view;
    TDecliningDialog dialog;
    TMeshRebuildReport report;
    const TParameterBinding parameters(doc.Parameters);
    // A formula error stops the rebuild at its function: switch that one off
    // and build the rest.
    for (int attempt = 0; attempt <= doc.Functions.Count(); ++attempt) {
        try {
            RebuildMeshes(doc.Functions, meshes, view, dialog, report);
            return;
        } catch (const ESyntaxError&) {
            doc.Functions[report.SyntaxErrorFunction]->Active = false;
        }
    }
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const TIniFile ini = TIniFile::FromText(text);

    TSettings settings;
    LoadSettings(ini, settings);

    TGraphDocument doc;
    try {
        doc.LoadFromIni(ini);
    } catch (const EFileError&) {
        return 0;  // "Func count" or the parameters' "Count" above the cap: refused cleanly
    }
    if (doc.Functions.Count() > MaxFuncCount) std::abort();
    for (int i = 0; i < doc.Functions.Count(); ++i) {
        const TFuncItem& f = *doc.Functions.Items(i);
        if (!(f.Step > 0) || !(f.StepY > 0) || f.Width < 1 || f.Width > 10) std::abort();
        FuncCaption(f, doc.WindowType == TWindowType::wt3D);
    }
    if (!(doc.View2D.Left < doc.View2D.Right) || !(doc.View2D.GranularityX > 0)) std::abort();
    // Every parameter loaded is one a slider can show and a formula can name.
    if (doc.Parameters.Count() > MaxParamCount) std::abort();
    TParameterList names;
    for (const TParameter& p : doc.Parameters) {
        if (!(p.Min < p.Max && p.Min <= p.Value && p.Value <= p.Max && std::isfinite(p.Value)) ||
            !(p.Step >= 0 && std::isfinite(p.Step)) || !(p.Speed > 0 && std::isfinite(p.Speed)) ||
            static_cast<int>(p.Animation) > 2 || CheckParameterName(p.Name, names))
            std::abort();
        names.Add(p);
        FunctionsUsingName(doc.Functions, p.Name);
    }

    // Data sets load with consistent, finite columns, and only into 2D documents.
    if (doc.WindowType == TWindowType::wt3D && !doc.DataSets.empty()) std::abort();
    for (const TDataSet& d : doc.DataSets) {
        if (d.Y.size() != d.Count() || (d.HasUncertainties() && d.DY.size() != d.Count())) std::abort();
        for (const TDataColumn* column : {&d.X, &d.Y, &d.DY})
            for (double v : *column)
                if (!std::isfinite(v)) std::abort();
    }

    TIniFile out = TIniFile::FromText("");
    doc.SaveToIni(out);
    TGraphDocument back;
    back.LoadFromIni(TIniFile::FromText(out.Text()));
    // A lone carriage return inside a value is written as a blank; all else
    // must come back equal.
    bool carriageReturn = false;
    for (int i = 0; i < doc.Functions.Count(); ++i) {
        const TFuncItem& f = *doc.Functions.Items(i);
        for (const std::string* e : {&f.Expression, &f.Expression1, &f.Expression2})
            carriageReturn |= e->find('\r') != std::string::npos;
    }
    if (!carriageReturn && !(back == doc)) std::abort();
    if (doc.WindowType == TWindowType::wt3D) BuildMeshes(doc);
    return 0;
}
