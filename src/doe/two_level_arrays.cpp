#include "doe/two_level_arrays.h"

#include <string>

#include "frame/text_format.h"

namespace varno::doe {

namespace {

// Generating rows of the cyclic Plackett-Burman designs ('+' is level 1).
const char* const row12 = "++-+++---+-";
const char* const row20 = "++--++++-+-+----++-";
const char* const row24 = "+++++-+-++--++--+-+----";
const char* const row36 = "-+-+++---+++++-+++--+----+-+-++--+-";

bool isPrime(int q) {
    if (q < 2) return false;
    for (int d = 2; d * d <= q; ++d) {
        if (q % d == 0) return false;
    }
    return true;
}

// The quadratic-residue row of a prime q = 3 mod 4: + at 0 and at the
// non-zero squares.
std::string paleyRow(int q) {
    std::string row(static_cast<std::size_t>(q), '-');
    row[0] = '+';
    for (int x = 1; x < q; ++x) row[static_cast<std::size_t>(x * x % q)] = '+';
    return row;
}

// The maximal-length sequence of x^6 + x + 1: 32 ones and 31 zeros, whose
// cyclic shifts are pairwise orthogonal.
std::string msequenceRow() {
    std::string row;
    int state = 1;  // bits a(n) … a(n+5)
    for (int n = 0; n < 63; ++n) {
        row += (state & 1) != 0 ? '+' : '-';
        const int next = (state & 1) ^ ((state >> 1) & 1);  // a(n+6) = a(n+1) + a(n)
        state = (state >> 1) | (next << 5);
    }
    return row;
}

// The cyclic design of a generating row g of length N - 1: column c is g
// shifted down c places, and a last run all -1. With an all +1 column in
// front it is a Hadamard matrix of order N.
SignMatrix cyclicHadamard(const std::string& g) {
    const int m = static_cast<int>(g.size());
    SignMatrix h(static_cast<std::size_t>(m + 1),
                 std::vector<int>(static_cast<std::size_t>(m + 1), 1));
    for (int r = 0; r < m; ++r) {
        for (int c = 0; c < m; ++c)
            h[r][c + 1] = g[static_cast<std::size_t>((r - c + m) % m)] == '+' ? 1 : -1;
    }
    for (int c = 1; c <= m; ++c) h[m][c] = -1;
    return h;
}

SignMatrix kronecker(const SignMatrix& a, const SignMatrix& b) {
    const std::size_t n = a.size() * b.size();
    SignMatrix h(n, std::vector<int>(n));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j) {
            h[i][j] = a[i / b.size()][j / b.size()] * b[i % b.size()][j % b.size()];
        }
    }
    return h;
}

SignMatrix doubled(const SignMatrix& h) { return kronecker({{1, 1}, {1, -1}}, h); }

// Paley's second construction, of order 2(q + 1) for a prime q = 1 mod 4.
SignMatrix paleySecond(int q) {
    const auto chi = [q](int x) {
        x = ((x % q) + q) % q;
        if (x == 0) return 0;
        for (int y = 1; y < q; ++y) {
            if (y * y % q == x) return 1;
        }
        return -1;
    };
    const int m = q + 1;
    SignMatrix s(static_cast<std::size_t>(m), std::vector<int>(static_cast<std::size_t>(m), 1));
    s[0][0] = 0;
    for (int i = 1; i < m; ++i) {
        for (int j = 1; j < m; ++j) s[i][j] = chi(j - i);
    }
    SignMatrix h(static_cast<std::size_t>(2 * m),
                 std::vector<int>(static_cast<std::size_t>(2 * m)));
    const int onZero[2][2] = {{1, -1}, {-1, -1}};
    const int onDiagonal[2][2] = {{1, 1}, {1, -1}};
    for (int i = 0; i < 2 * m; ++i) {
        for (int j = 0; j < 2 * m; ++j) {
            const int entry = s[i / 2][j / 2];
            h[i][j] = entry == 0 ? onDiagonal[i % 2][j % 2] : entry * onZero[i % 2][j % 2];
        }
    }
    return h;
}

SignMatrix fromRow(int n) {
    switch (n) {
        case 12: return cyclicHadamard(row12);
        case 20: return cyclicHadamard(row20);
        case 24: return cyclicHadamard(row24);
        case 36: return cyclicHadamard(row36);
        case 64: return cyclicHadamard(msequenceRow());
        default: break;
    }
    if (n % 4 == 0 && n > 4 && isPrime(n - 1)) return cyclicHadamard(paleyRow(n - 1));
    return {};
}

const char* factorRangeText(int runs) {
    switch (runs) {
        case 12: return "\n\t Factors must be in range [4, 11].\n";
        case 20: return "\n\t Factors must be in range [5, 19].\n";
        case 24: return "\n\t Factors must be in range [5, 23].\n";
        case 36: return "\n\t Factors must be in range [6, 35].\n";
        case 40: return "\n\t Factors must be in range [6, 39].\n";
        case 48: return "\n\t Factors must be in range [6, 47].\n";
        default: return "\n\t Factors must be in range [6, 63].\n";
    }
}

int fewestFactors(int runs) {
    if (runs == 12) return 4;
    return runs <= 24 ? 5 : 6;
}

bool isPlackettBurmanSize(int runs) {
    for (int n : {12, 20, 24, 36, 40, 48, 64}) {
        if (runs == n) return true;
    }
    return false;
}

}  // namespace

SignMatrix hadamardMatrix(int n) {
    if (n == 1) return {{1}};
    if (n == 2) return {{1, 1}, {1, -1}};
    if (n == 4 || n == 8 || n == 16 || n == 32 || n == 128) return doubled(hadamardMatrix(n / 2));
    if (n == 28) return paleySecond(13);
    if (n == 112) return kronecker(hadamardMatrix(4), hadamardMatrix(28));
    SignMatrix direct = fromRow(n);
    if (!direct.empty()) return direct;
    // 40, 56, 88, 96 and 120: twice an order that has a construction.
    if (n % 8 == 0) {
        SignMatrix half = hadamardMatrix(n / 2);
        if (!half.empty()) return doubled(half);
    }
    return {};
}

std::vector<std::vector<int>> twoLevelColumns(const SignMatrix& hadamard) {
    std::vector<std::vector<int>> rows;
    for (const std::vector<int>& row : hadamard) {
        std::vector<int> levels;
        for (std::size_t c = 1; c < row.size(); ++c) levels.push_back(row[c] * row[0] > 0 ? 1 : 0);
        rows.push_back(std::move(levels));
    }
    return rows;
}

DoeTable plackettBurman(int k, int runs) {
    if (!isPlackettBurmanSize(runs)) {
        generatorError(
            formatText("\n\t Invalid number of runs for Plackett-Burman design (%d).\n", runs) +
            "\n\t Only number of runs allowed are: 12, 20, 24, 36, 40, 48 and 64.\n");
    }
    if (k < fewestFactors(runs) || k > runs - 1) {
        generatorError(formatText("\n\t Invalid number of factors(%d) for %d run Plackett-Burman "
                                  "design.\n",
                                  k, runs) +
                       factorRangeText(runs));
    }
    DoeTable table = makeTable(kindPlackettBurman, k, runs, std::vector<int>(runs - 1, 2));
    table.array = twoLevelColumns(hadamardMatrix(runs));
    return table;
}

}  // namespace varno::doe
