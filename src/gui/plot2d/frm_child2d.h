#pragma once

#include "gui/document/frm_abstract_mdi_child.h"

#include <QSize>

namespace curvane {

class TIndicator;
class TScope;
class TSamplerDialog;

// The 2D graph document window: one plotting control filling the client area,
// one curve per function, and the sampler that turns functions into curves.
class TfrmChild2D_ : public TfrmAbstractMDIChild {
    Q_OBJECT
public:
    explicit TfrmChild2D_(QWidget* parent = nullptr);
    ~TfrmChild2D_() override;

    TScope* Scope() const { return FScope; }
    TIndicator& Indicator() const;

    // Units of an axis: 0 dimensionless, 1 radians, 2 degrees. A new value sets
    // the axis granularity (1 or pi).
    std::uint8_t UnitsXMode() const { return FUnitsXMode; }
    std::uint8_t UnitsYMode() const { return FUnitsYMode; }
    void SetUnitsXMode(std::uint8_t mode);
    void SetUnitsYMode(std::uint8_t mode);

    // Resizes the window so that its plotting control is exactly `size`.
    void SetPlotSize(QSize size);

    // Questions raised while sampling manual limits go here instead of message
    // boxes (the command-line renderer answers them itself). Null restores the
    // message boxes. The window does not own the object.
    void SetSamplerDialog(TSamplerDialog* dialog) { FSamplerDialog = dialog; }

    void Activated() override;
    void UpdateCaption() override;
    void SetActiveExpression(const QString& text) override;
    void AddFunction(const QString& text) override;
    void DeleteFunction(int index) override;
    void Recalculate(bool onlyActive) override;
    void Redraw() override;
    std::int32_t GetFuncColor(int index) const override;
    void SetFuncColor(int index, std::int32_t color) override;
    void SetFuncWidth(int index, std::int32_t width) override;
    std::int32_t GetFuncWidth(int index) const override;
    void SaveToIni(TIniFile& ini) override;
    void LoadFromIni(TIniFile& ini) override;

protected:
    void FunctionLoaded(int index) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void AfterViewChange();
    void ShowCoordinates(QPoint pixel);

    TScope* FScope = nullptr;
    std::uint8_t FUnitsXMode = 0;
    std::uint8_t FUnitsYMode = 0;
    TSamplerDialog* FSamplerDialog = nullptr;
    bool FRecalculating = false;
};

class TfrmChild2D : public TfrmChild2D_ {
    Q_OBJECT
public:
    using TfrmChild2D_::TfrmChild2D_;
    void UpdateCaption() override;
};

}  // namespace curvane
