// Rotations found from matched directions: the exact two-vector triad and the least-squares
// rotation of many pairs. Shared by the orientation fit's start and by indexing.
#pragma once

#include <Eigen/Dense>

namespace xtalsp {

// The rotation taking cell-frame directions p, q onto laboratory directions u, v: u exactly,
// v as closely as the angle between p and q allows.
inline Eigen::Matrix3d rotationFromPairs(const Eigen::Vector3d& u, const Eigen::Vector3d& v,
                                         const Eigen::Vector3d& p, const Eigen::Vector3d& q) {
    Eigen::Matrix3d lab, cell;
    const Eigen::Vector3d labNormal = u.cross(v).normalized();
    const Eigen::Vector3d cellNormal = p.cross(q).normalized();
    lab << u, labNormal, u.cross(labNormal);
    cell << p, cellNormal, p.cross(cellNormal);
    return lab * cell.transpose();
}

// The proper rotation R maximising sum(u_i . R p_i) for the correlation sum(u_i p_i^T): the
// orthogonal factor of its singular value decomposition, with the sign that keeps det R = +1.
inline Eigen::Matrix3d nearestRotation(const Eigen::Matrix3d& correlation) {
    const Eigen::JacobiSVD<Eigen::Matrix3d> svd(correlation,
                                                Eigen::ComputeFullU | Eigen::ComputeFullV);
    Eigen::Matrix3d d = Eigen::Matrix3d::Identity();
    d(2, 2) = (svd.matrixU() * svd.matrixV().transpose()).determinant() < 0 ? -1.0 : 1.0;
    return svd.matrixU() * d * svd.matrixV().transpose();
}

} // namespace xtalsp
