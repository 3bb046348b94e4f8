// Small value types for points and rectangles in pixels and cells.
#pragma once

struct FloatPoint {
    float x = 0.0f;
    float y = 0.0f;

    FloatPoint() = default;
    FloatPoint(float px, float py) : x(px), y(py) {}

    FloatPoint operator+(const FloatPoint& o) const { return {x + o.x, y + o.y}; }
    FloatPoint operator-(const FloatPoint& o) const { return {x - o.x, y - o.y}; }
    FloatPoint operator*(const FloatPoint& o) const { return {x * o.x, y * o.y}; }
    FloatPoint operator/(const FloatPoint& o) const { return {x / o.x, y / o.y}; }
    FloatPoint operator*(float f) const { return {x * f, y * f}; }
    FloatPoint operator/(float f) const { return {x / f, y / f}; }
    FloatPoint& operator+=(const FloatPoint& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    FloatPoint& operator/=(float f)
    {
        x /= f;
        y /= f;
        return *this;
    }
};

struct IntPoint {
    int x = 0;
    int y = 0;

    IntPoint() = default;
    IntPoint(int px, int py) : x(px), y(py) {}
    // Each member truncated toward zero.
    explicit IntPoint(const FloatPoint& p) : x(static_cast<int>(p.x)), y(static_cast<int>(p.y)) {}

    IntPoint operator+(const IntPoint& o) const { return {x + o.x, y + o.y}; }
    IntPoint operator-(const IntPoint& o) const { return {x - o.x, y - o.y}; }
    IntPoint operator*(int f) const { return {x * f, y * f}; }
    bool operator==(const IntPoint& o) const { return x == o.x && y == o.y; }
    bool operator!=(const IntPoint& o) const { return !(*this == o); }
    IntPoint& operator+=(const IntPoint& o)
    {
        x += o.x;
        y += o.y;
        return *this;
    }
    // Divided in float, truncated toward zero.
    IntPoint& operator/=(float f)
    {
        x = static_cast<int>(static_cast<float>(x) / f);
        y = static_cast<int>(static_cast<float>(y) / f);
        return *this;
    }
};

struct IntRect {
    int x = 0;
    int y = 0;
    int w = 0;
    int h = 0;

    IntRect() = default;
    IntRect(int rx, int ry, int rw, int rh) : x(rx), y(ry), w(rw), h(rh) {}
};
