// Dense linear algebra of the engine on fixed-capacity matrices: LU decomposition with
// implicit partial pivoting, solving and inversion, and the elementary matrix operations.
//
// Every routine reads and writes only the rectangle its dimensions address; elements outside
// it keep their values. Inputs named as copied are read as they were on entry, so an output may
// be the very same matrix as an input. A dimension below 1 makes its loop empty. No routine
// checks dimensions against dimmax, fails, or allocates.
#pragma once

#include "engine/Matrix.h"

namespace tavi {

// Decomposes a[1..n, 1..n] in place (Crout's method with row-scaled partial pivoting) into the
// strict lower part of the unit lower factor L and the upper factor U of the row-permuted
// matrix. Rows whose elements are all at most 1.0e-6 in magnitude are scaled as if their
// largest element were 1.0e-6; an exactly zero pivot becomes 1.0e-20, so singular input
// decomposes like any other. parity is +1.0 after an even number of interchanges, else -1.0.
void LUDCMP(Matrix& a, int n, PermutationRecord& perm, double& parity);

// Replaces b[1..n] by the solution x of A x = b, given A's decomposition from LUDCMP.
void LUSolve(const Matrix& a, int n, const PermutationRecord& perm, Vector& b);

// result[1..n, 1..n] := the inverse of a[1..n, 1..n] (a copied). For n = 1 the inverse of an
// exact 0.0 is 1.0; for n >= 2 a singular matrix yields entries of the order of 1.0e20.
void InvertMatrix(Matrix& result, const Matrix& a, int n);

// c := left (rowsLeft x colsLeft) (x) right (rowsRight x colsRight); left and right copied.
// Block (i, j) of c is left[i, j] times the whole right factor.
void KroneckerProduct(Matrix& c, const Matrix& left, const Matrix& right, int rowsLeft,
                      int colsLeft, int rowsRight, int colsRight);

// c[1..m, 1..q] := a (m x p) times b (p x q); a and b copied. Each sum starts at 0.0 and adds
// its terms in ascending order, so p < 1 gives zeros.
void MatMult(Matrix& c, const Matrix& a, const Matrix& b, int m, int p, int q);

// c := a + b on rows x cols; a and b copied.
void MatAdd(Matrix& c, const Matrix& a, const Matrix& b, int rows, int cols);

// c[1..cols, 1..rows] := the transpose of a[1..rows, 1..cols]; a copied.
void Transpose(Matrix& c, const Matrix& a, int rows, int cols);

// c[1..r2-r1+1, 1..c2-c1+1] := a[r1..r2, c1..c2]; a copied. Nothing is written when r2 < r1
// or c2 < c1.
void SubMatrix(Matrix& c, const Matrix& a, int r1, int r2, int c1, int c2);

}  // namespace tavi
