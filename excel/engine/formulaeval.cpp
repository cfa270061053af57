#include "excel/engine/formulaeval.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace kelvoran::xlsx {

namespace {

// Nesting deeper than spreadsheet programs accept is refused instead of followed.
constexpr int kMaxNesting = 64;
// Operations inside one another, at most ("A1+A2+...+A300" is 300 deep): the evaluation
// recurses this deep, inside the formulas that read this one.
constexpr int kMaxHeight = 256;
// Relative size below which a difference of nearly equal numbers is rounding noise, where
// programs round differently (some snap such results to zero).
constexpr double kNoise = 1.0 / 281474976710656.0; // 2^-48
// Integers up to this size add exactly in any order.
constexpr double kExactIntegers = 9007199254740992.0; // 2^53

enum class Function { Sum, Average, Count, CountA, Min, Max, Round, If };

struct NamedFunction {
    const char *name;
    Function function;
    size_t minArgs;
    size_t maxArgs;
};

constexpr NamedFunction kFunctions[] = {
    {"SUM", Function::Sum, 1, 255},     {"AVERAGE", Function::Average, 1, 255},
    {"COUNT", Function::Count, 1, 255}, {"COUNTA", Function::CountA, 1, 255},
    {"MIN", Function::Min, 1, 255},     {"MAX", Function::Max, 1, 255},
    {"ROUND", Function::Round, 2, 2},   {"IF", Function::If, 2, 3},
};

struct Node;
using NodePtr = std::unique_ptr<Node>;

struct Node {
    enum Kind { Number, Reference, Negate, Plus, Percent, Binary, Call };
    Kind kind = Number;
    double number = 0;
    CellRect rect;
    char op = 0; // + - * / ^, and = < > l (<=) g (>=) n (<>)
    Function function = Function::Sum;
    std::vector<NodePtr> operands;
    int height = 1;

    bool isSingleCell() const { return rect.rows() == 1 && rect.columns() == 1; }
};

bool isSpace(char c) {
    return c == ' ' || c == '\n' || c == '\r' || c == '\t';
}

bool isNameChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '$';
}

// Recursive descent over the formula grammar, lowest precedence first: comparison, + -, * /,
// ^, postfix %, prefix - +, then numbers, references, calls and parentheses.
class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    NodePtr parse() {
        NodePtr root = comparison();
        if (!root || peek() != '\0')
            return nullptr;
        return root;
    }

private:
    char peek() {
        while (m_pos < m_text.size() && isSpace(m_text[m_pos]))
            ++m_pos;
        return m_pos < m_text.size() ? m_text[m_pos] : '\0';
    }
    char at(size_t pos) const { return pos < m_text.size() ? m_text[pos] : '\0'; }

    static NodePtr make(Node::Kind kind, NodePtr a, NodePtr b = nullptr, char op = 0) {
        if (!a)
            return nullptr;
        auto n = std::make_unique<Node>();
        n->kind = kind;
        n->op = op;
        n->operands.push_back(std::move(a));
        if (kind == Node::Binary) {
            if (!b)
                return nullptr;
            n->operands.push_back(std::move(b));
        }
        return heightChecked(std::move(n));
    }

    static NodePtr heightChecked(NodePtr n) {
        for (const NodePtr &operand : n->operands)
            n->height = std::max(n->height, operand->height + 1);
        return n->height <= kMaxHeight ? std::move(n) : nullptr;
    }

    NodePtr comparison() {
        NodePtr left = additive();
        while (left) {
            const char c = peek();
            char op = 0;
            size_t length = 1;
            if (c == '=') {
                op = '=';
            } else if (c == '<') {
                const char next = at(m_pos + 1);
                op = next == '=' ? 'l' : next == '>' ? 'n' : '<';
                length = op == '<' ? 1 : 2;
            } else if (c == '>') {
                op = at(m_pos + 1) == '=' ? 'g' : '>';
                length = op == '>' ? 1 : 2;
            } else {
                break;
            }
            m_pos += length;
            left = make(Node::Binary, std::move(left), additive(), op);
        }
        return left;
    }

    NodePtr additive() {
        NodePtr left = multiplicative();
        for (char c = peek(); left && (c == '+' || c == '-'); c = peek()) {
            ++m_pos;
            left = make(Node::Binary, std::move(left), multiplicative(), c);
        }
        return left;
    }

    NodePtr multiplicative() {
        NodePtr left = power();
        for (char c = peek(); left && (c == '*' || c == '/'); c = peek()) {
            ++m_pos;
            left = make(Node::Binary, std::move(left), power(), c);
        }
        return left;
    }

    NodePtr power() {
        NodePtr left = percent();
        while (left && peek() == '^') {
            ++m_pos;
            left = make(Node::Binary, std::move(left), percent(), '^');
        }
        return left;
    }

    NodePtr percent() {
        NodePtr n = prefixed();
        while (n && peek() == '%') {
            ++m_pos;
            n = make(Node::Percent, std::move(n));
        }
        return n;
    }

    NodePtr prefixed() {
        const char c = peek();
        if (c != '-' && c != '+')
            return primary();
        ++m_pos;
        if (!enter())
            return nullptr;
        NodePtr operand = prefixed();
        --m_depth;
        return make(c == '-' ? Node::Negate : Node::Plus, std::move(operand));
    }

    NodePtr primary() {
        const char c = peek();
        if (c == '(') {
            ++m_pos;
            if (!enter())
                return nullptr;
            NodePtr inner = comparison();
            --m_depth;
            if (!inner || peek() != ')')
                return nullptr;
            ++m_pos;
            return inner;
        }
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.')
            return numberOrRows();
        if (c == '$' || std::isalpha(static_cast<unsigned char>(c)))
            return nameOrReference();
        return nullptr; // text, arrays, errors, structured references, ...
    }

    NodePtr numberOrRows() {
        size_t end = m_pos;
        while (std::isdigit(static_cast<unsigned char>(at(end))))
            ++end;
        if (at(end) == ':') // whole rows, "2:4"
            return nameOrReference();
        double value = 0;
        const char *first = m_text.data() + m_pos;
        const auto [ptr, ec] = std::from_chars(first, m_text.data() + m_text.size(), value,
                                               std::chars_format::general);
        if (ec != std::errc())
            return nullptr;
        m_pos += size_t(ptr - first);
        if (isNameChar(at(m_pos)))
            return nullptr; // "1A", "1.2.3"
        auto n = std::make_unique<Node>();
        n->number = value;
        return n;
    }

    std::string_view nameToken() {
        const size_t start = m_pos;
        while (isNameChar(at(m_pos)))
            ++m_pos;
        return m_text.substr(start, m_pos - start);
    }

    NodePtr nameOrReference() {
        const size_t start = m_pos;
        const std::string_view name = nameToken();
        if (at(m_pos) == '(')
            return call(name);
        if (at(m_pos) == ':') {
            ++m_pos;
            nameToken();
        }
        const char next = at(m_pos);
        if (next == '!' || next == '(' || next == '[' || next == '#')
            return nullptr; // another sheet, or not a reference at all
        auto n = std::make_unique<Node>();
        n->kind = Node::Reference;
        if (!parseRect(m_text.substr(start, m_pos - start), n->rect))
            return nullptr; // a defined name, TRUE, FALSE, ...
        return n;
    }

    NodePtr call(std::string_view name) {
        std::string upper;
        for (char c : name)
            upper += char(std::toupper(static_cast<unsigned char>(c)));
        const NamedFunction *known = nullptr;
        for (const NamedFunction &f : kFunctions)
            if (upper == f.name)
                known = &f;
        if (!known || !enter())
            return nullptr;
        ++m_pos; // "("
        auto n = std::make_unique<Node>();
        n->kind = Node::Call;
        n->function = known->function;
        for (;;) {
            NodePtr argument = comparison();
            if (!argument)
                return nullptr;
            n->operands.push_back(std::move(argument));
            const char c = peek();
            ++m_pos;
            if (c == ')')
                break;
            if (c != ',')
                return nullptr;
        }
        --m_depth;
        if (n->operands.size() < known->minArgs || n->operands.size() > known->maxArgs)
            return nullptr;
        return heightChecked(std::move(n));
    }

    bool enter() { return ++m_depth <= kMaxNesting; }

    std::string_view m_text;
    size_t m_pos = 0;
    int m_depth = 0;
};

struct Value {
    enum Kind { Fail, Number, Bool };
    Kind kind = Fail;
    double number = 0;
};

Value number(double v) {
    if (!std::isfinite(v))
        return Value();
    return Value{Value::Number, v == 0 ? 0.0 : v};
}

bool isExactInteger(double v) {
    return std::fabs(v) < kExactIntegers && v == std::floor(v);
}

// The sum of two numbers, or nothing where the result is rounding noise of a cancellation.
Value add(double a, double b) {
    const double r = a + b;
    if ((a < 0) != (b < 0) && !(isExactInteger(a) && isExactInteger(b)) &&
        std::fabs(r) <= std::max(std::fabs(a), std::fabs(b)) * kNoise)
        return Value();
    return number(r);
}

// True when the two numbers are so close that programs may disagree about their order.
bool nearTie(double a, double b) {
    return a != b && std::fabs(a - b) <= std::max(std::fabs(a), std::fabs(b)) * kNoise;
}

// Half away from zero, the halfway case decided on the 15 significant digits spreadsheet
// programs keep (ROUND(2.675, 2) is 2.68 although the stored number is just below).
Value roundTo(double x, double digitsIn) {
    const double digits = std::trunc(digitsIn);
    if (digits > 15 || digits < -15)
        return Value();
    const double scale = std::pow(10.0, std::fabs(digits));
    double scaled = digits >= 0 ? std::fabs(x) * scale : std::fabs(x) / scale;
    if (!std::isfinite(scaled))
        return Value();
    char text[40];
    const auto printed =
        std::to_chars(text, text + sizeof text, scaled, std::chars_format::general, 15);
    std::from_chars(text, printed.ptr, scaled, std::chars_format::general);
    const double whole = scaled >= kExactIntegers ? scaled : std::floor(scaled + 0.5);
    const double r = digits >= 0 ? whole / scale : whole * scale;
    return number(std::copysign(r, x));
}

class Evaluator {
public:
    explicit Evaluator(FormulaInputs &inputs) : m_inputs(inputs) {}

    Value eval(const Node &n) {
        switch (n.kind) {
        case Node::Number:
            return number(n.number);
        case Node::Reference:
            if (!n.isSingleCell())
                return Value(); // a range where one value is wanted
            return scalar(m_inputs.cell(n.rect.top, n.rect.left));
        case Node::Negate:
        case Node::Plus:
        case Node::Percent: {
            const Value v = eval(*n.operands[0]);
            if (v.kind != Value::Number)
                return Value();
            return number(n.kind == Node::Negate    ? -v.number
                          : n.kind == Node::Percent ? v.number / 100
                                                    : v.number);
        }
        case Node::Binary:
            return binary(n);
        case Node::Call:
            return n.function == Function::If      ? conditional(n)
                   : n.function == Function::Round ? round(n)
                                                   : aggregate(n);
        }
        return Value();
    }

private:
    static Value scalar(const CellInput &c) {
        if (c.kind == CellInput::Empty)
            return number(0);
        if (c.kind == CellInput::Number)
            return number(c.number);
        return Value(); // text, logical values and errors are not converted
    }

    Value binary(const Node &n) {
        const Value a = eval(*n.operands[0]);
        const Value b = eval(*n.operands[1]);
        if (a.kind != Value::Number || b.kind != Value::Number)
            return Value();
        const double x = a.number, y = b.number;
        switch (n.op) {
        case '+':
            return add(x, y);
        case '-':
            return add(x, -y);
        case '*':
            return number(x * y);
        case '/':
            return y == 0 ? Value() : number(x / y);
        case '^':
            return x == 0 && y <= 0 ? Value() : number(std::pow(x, y));
        default:
            break;
        }
        if (nearTie(x, y))
            return Value();
        bool truth = false;
        switch (n.op) {
        case '=':
            truth = x == y;
            break;
        case 'n':
            truth = x != y;
            break;
        case '<':
            truth = x < y;
            break;
        case '>':
            truth = x > y;
            break;
        case 'l':
            truth = x <= y;
            break;
        case 'g':
            truth = x >= y;
            break;
        default:
            return Value();
        }
        return Value{Value::Bool, truth ? 1.0 : 0.0};
    }

    Value conditional(const Node &n) {
        const Value test = eval(*n.operands[0]);
        if (test.kind == Value::Fail)
            return Value();
        if (test.number != 0)
            return eval(*n.operands[1]);
        if (n.operands.size() > 2)
            return eval(*n.operands[2]);
        return Value{Value::Bool, 0};
    }

    Value round(const Node &n) {
        const Value x = eval(*n.operands[0]);
        const Value digits = eval(*n.operands[1]);
        if (x.kind != Value::Number || digits.kind != Value::Number)
            return Value();
        return roundTo(x.number, digits.number);
    }

    // SUM, AVERAGE, COUNT, COUNTA, MIN and MAX over references and values.
    Value aggregate(const Node &n) {
        const Function f = n.function;
        double sum = 0, largest = 0, low = 0, high = 0;
        long count = 0;
        bool integers = true, positive = false, negative = false;
        auto take = [&](double v) {
            if (count == 0 || v < low)
                low = v;
            if (count == 0 || v > high)
                high = v;
            sum += v;
            ++count;
            largest = std::max(largest, std::fabs(v));
            positive = positive || v > 0;
            negative = negative || v < 0;
            integers = integers && isExactInteger(v);
        };
        for (const NodePtr &argument : n.operands) {
            if (argument->kind == Node::Reference) {
                bool usable = true;
                auto visit = [&](const CellInput &c) {
                    if (c.kind == CellInput::Empty)
                        return true;
                    if (f == Function::CountA) {
                        ++count; // anything not empty counts, whatever its value
                        return true;
                    }
                    if (c.kind == CellInput::Number) {
                        take(c.number);
                        return true;
                    }
                    if (f == Function::Count &&
                        (c.kind == CellInput::Text || c.kind == CellInput::Bool))
                        return true;
                    usable = false; // text read as a number by some programs, errors, unknowns
                    return false;
                };
                if (!m_inputs.visitCells(argument->rect, visit) || !usable)
                    return Value();
                continue;
            }
            const Value v = eval(*argument);
            if (v.kind != Value::Number)
                return Value();
            if (f == Function::CountA)
                ++count;
            else
                take(v.number);
        }
        // Cancelling terms leave rounding noise that programs sum differently.
        const bool noisy = (f == Function::Sum || f == Function::Average) && positive && negative &&
                           !(integers && largest * double(count) < kExactIntegers) &&
                           std::fabs(sum) <= largest * double(count) * kNoise;
        switch (f) {
        case Function::Sum:
            return noisy ? Value() : number(sum);
        case Function::Average:
            return noisy || count == 0 ? Value() : number(sum / double(count));
        case Function::Count:
        case Function::CountA:
            return number(double(count));
        case Function::Min:
            return number(count ? low : 0);
        case Function::Max:
            return number(count ? high : 0);
        default:
            return Value();
        }
    }

    FormulaInputs &m_inputs;
};

} // namespace

std::optional<double> evaluateFormula(std::string_view text, FormulaInputs &inputs) {
    const NodePtr root = Parser(text).parse();
    if (!root)
        return std::nullopt;
    const Value v = Evaluator(inputs).eval(*root);
    if (v.kind != Value::Number)
        return std::nullopt;
    return v.number;
}

} // namespace kelvoran::xlsx
