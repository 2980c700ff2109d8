#pragma once

// The layout engine's types, declared for headers that only pass them around.
namespace kaso::layout {

class AvailableSpace;
class Tree;
struct Dimension;
struct Layout;
struct NodeId;
struct Style;
template<typename T>
struct Size;
template<typename T>
struct Edges;

}
