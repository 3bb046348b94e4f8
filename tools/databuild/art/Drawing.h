// Drawing helpers shared by the art recipes: per-pixel shading, blur, the geometry of piece shapes
// and frame tiles, and text set as outlines from a TrueType file.
#pragma once

#include "art/Canvas.h"

#include <cairo.h>

#include <functional>
#include <string>

namespace DataBuild {

// Calls shade(x, y) at every pixel centre and stores the straight-alpha colour it returns.
void ShadePixels(Canvas& canvas, const std::function<Colour(double x, double y)>& shade);

// Blurs colour and alpha (three box passes, close to a Gaussian of the given radius).
void Blur(Canvas& canvas, double radius);

// Draws source over target with its top-left at (x, y), multiplied by tint and opacity: the way the
// game draws a tinted image (a mask is drawn as the tint colour with the mask as alpha).
void Composite(Canvas& target, const Canvas& source, int x, int y,
               const Colour& tint = Colour{1, 1, 1, 1}, double opacity = 1.0);
// The same with a source rectangle and a uniform scale (nearest pixel, as the game draws).
void CompositePart(Canvas& target, const Canvas& source, int x, int y, int sx, int sy, int sw,
                   int sh, double scale, const Colour& tint, double opacity);

// The geometry of a picture made of whole cells: a piece image (cells of its shape's bounding
// box) or, for frame tiles, the two by two cells around a grid point.
class CellShape {
public:
    // mask bit (x + 4 * y) set for each cell that belongs; columns and rows at most 4; the cells
    // divide width x height pixels evenly (fractional cell sizes allowed).
    CellShape(int mask, int columns, int rows, double width, double height);

    bool Has(int column, int row) const;
    double CellWidth() const { return m_cellWidth; }
    double CellHeight() const { return m_cellHeight; }

    struct Sample {
        // Distance to the shape's outline in pixels: positive inside, negative outside. With
        // Rounded, the outline is drawn inset and its corners rounded.
        double edge = 0;
        int column = 0, row = 0; // the cell under the point
        double u = 0, v = 0;     // position inside that cell, 0..1
        // Distance to the nearest border shared by two cells of the shape (a seam), or a large
        // value when the cell has no neighbour in the shape.
        double seam = 1e9;
        // Along the nearest seam: true when it runs vertically; the pixel position along it.
        bool seamVertical = false;
        double seamAlong = 0;
    };

    // The exact distance to the outline of the cell union.
    Sample At(double x, double y) const;
    // The outline moved inward by inset, outer corners rounded by radius and inner corners by
    // inset: how a piece looks with a little space around it.
    Sample Rounded(double x, double y, double inset, double radius) const;

private:
    double DistanceOutside(double x, double y) const;
    int m_mask;
    int m_columns;
    int m_rows;
    double m_cellWidth;
    double m_cellHeight;
};

// Coverage of a pixel whose centre lies at the given signed distance inside an edge.
double EdgeCoverage(double edge);

// Adds the outline of a text (UTF-8) to the current path, its baseline starting at (x, y), the
// em size in pixels, slanted by slant (x += slant * height above the baseline). Returns the
// advance width, or a negative value when the font cannot be read.
double TextPath(cairo_t* cr, const std::string& fontFile, double size, const std::string& text,
                double x, double y, double slant = 0.0, double tracking = 0.0);
// The advance width TextPath would give, without drawing.
double TextWidth(const std::string& fontFile, double size, const std::string& text,
                 double tracking = 0.0);

// A rounded rectangle path.
void RoundedRectangle(cairo_t* cr, double x, double y, double w, double h, double radius);

// The DejaVu files the builder reads; the folder can be changed for the whole run.
std::string FontPath(const std::string& file);
void SetFontFolder(const std::string& folder);

} // namespace DataBuild
