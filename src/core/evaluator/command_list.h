// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <vector>

namespace curvane {

// One command of a formula in postfix order.
enum class TCommandKind : std::uint8_t {
    ckConstant = 0,
    ckVariable = 1,
    ckOperator = 2,
    ckFunction = 3,     // built-in, unary minus included (code 199)
    ckExtFunction = 4,
};

// Operator codes (TStackItem::Operation).
enum TOperatorCode : std::uint8_t { opAdd = 1, opSubtract = 2, opMultiply = 3, opDivide = 4, opPower = 6 };

// Built-in function codes (TStackItem::Address of a ckFunction).
enum TFuncCode : std::int32_t {
    fcNeg = 199,
    fcSin = 200,
    fcCos = 201,
    fcTg = 202,
    fcCtg = 203,
    fcSec = 204,
    fcCosec = 205,
    fcArctg = 206,
    fcArcsin = 207,
    fcArccos = 208,
    fcAbs = 209,
    fcLn = 214,
    fcLog10 = 215,
    fcLog2 = 216,
    fcSqrt = 217,
    fcPi = 222,
    fcExp = 224,
    fcSum = 225,
    fcSinh = 226,
    fcCosh = 227,
    fcTanh = 228,
    fcFloor = 229,
    fcCeil = 230,
    fcRound = 231,
    fcSign = 232,
    fcE = 233,
    fcMin = 234,
    fcMax = 235,
    fcMod = 236,
};

struct TStackItem {
    TCommandKind Kind = TCommandKind::ckConstant;
    double Value = 0;  // ckConstant
    // ckVariable: the cell (double*); ckFunction: the function code;
    // ckExtFunction: the address of the entry's routine field (TExtFunction*).
    std::uintptr_t Address = 0;
    std::uint8_t Operation = 0;  // ckOperator
    int ParamCount = 0;          // ckFunction, ckExtFunction
};

using TCommandList = std::vector<TStackItem>;

}  // namespace curvane
